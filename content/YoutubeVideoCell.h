#pragma once

#include "core/Asset.h"
#include "ui/TableViewCell.h"
#include "ui/VideoPlayerView.h"

#include <memory>
#include <string>

namespace quindle {

/// The preview row of the video screen: an embedded player over the whole content area.
class YoutubeVideoCell : public TableViewCell, public VideoPlayerViewDelegate {
public:
    /// What a new player shows until another id is asked for.
    static constexpr const char* previewVideoId = "M7lc1UVf-VE";

    static std::shared_ptr<YoutubeVideoCell> create(std::string reuseIdentifier);

    /// Keeps the record (none for the preview) and shows a new player on the preview video.
    void configureWithAsset(const AssetRecord& record);
    const AssetRecord& asset() const { return m_asset; }
    const std::shared_ptr<VideoPlayerView>& videoView() const { return m_videoView; }

    void layoutSubviews() override;
    /// Logs the player's error code; the player shows it itself.
    void playerViewReceivedError(VideoPlayerView& player, int code) override;

private:
    explicit YoutubeVideoCell(std::string reuseIdentifier) : TableViewCell(CellStyle::Default, std::move(reuseIdentifier)) { }
    AssetRecord m_asset;
    std::shared_ptr<VideoPlayerView> m_videoView;
};

} // namespace quindle

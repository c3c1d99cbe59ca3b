#pragma once

#include "ui/View.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quindle {

class VideoPlayerView;

/// Hears what goes wrong in a video player.
class VideoPlayerViewDelegate {
public:
    virtual ~VideoPlayerViewDelegate() = default;
    /// The player cannot show what it was asked for; see VideoPlayerView's error codes.
    virtual void playerViewReceivedError(VideoPlayerView& player, int code) = 0;
};

/// A hosted video, placed by its frame. It holds which video to show; front ends draw it (as a
/// poster that opens the video's page, where nothing can play inline).
class VideoPlayerView : public View {
public:
    /// The id cannot name a video.
    static constexpr int invalidParameterError = 2;
    /// Video ids are this many characters of A-Z, a-z, 0-9, '-' and '_'.
    static constexpr size_t videoIdLength = 11;

    static std::shared_ptr<VideoPlayerView> create(Rect frame = {});

    void setDelegate(std::weak_ptr<VideoPlayerViewDelegate> delegate) { m_delegate = std::move(delegate); }

    /// Shows the video with this id. An id that cannot be one loads nothing, clears the video
    /// shown and reports invalidParameterError to the delegate. Returns whether it loaded.
    bool loadWithVideoId(std::string videoId);

    /// The video shown, empty when none.
    const std::string& videoId() const { return m_videoId; }
    /// The code of the last load's error, nothing when it loaded.
    std::optional<int> error() const { return m_error; }
    /// The video's watch page, empty when no video is shown.
    std::string watchURL() const { return m_videoId.empty() ? std::string() : watchURLForVideoId(m_videoId); }

    /// What the player shows as one line of text: "[video ID]", "[video: error N]" or "[video]".
    std::string summary() const;

    static bool isValidVideoId(std::string_view videoId);
    static std::string watchURLForVideoId(std::string_view videoId);

private:
    explicit VideoPlayerView(Rect frame) : View(frame) { }
    std::weak_ptr<VideoPlayerViewDelegate> m_delegate;
    std::string m_videoId;
    std::optional<int> m_error;
};

} // namespace quindle

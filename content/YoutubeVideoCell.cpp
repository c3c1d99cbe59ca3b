#include "content/YoutubeVideoCell.h"

#include "platform/Log.h"

namespace quindle {

std::shared_ptr<YoutubeVideoCell> YoutubeVideoCell::create(std::string reuseIdentifier)
{
    auto cell = std::shared_ptr<YoutubeVideoCell>(new YoutubeVideoCell(std::move(reuseIdentifier)));
    cell->build();
    cell->setSelectionStyle(SelectionStyle::None);
    return cell;
}

void YoutubeVideoCell::configureWithAsset(const AssetRecord& record)
{
    m_asset = record;
    if (m_videoView)
        m_videoView->removeFromSuperview();
    m_videoView = VideoPlayerView::create(contentView()->bounds());
    m_videoView->setDelegate(std::weak_ptr<VideoPlayerViewDelegate>(std::static_pointer_cast<YoutubeVideoCell>(shared_from_this())));
    m_videoView->loadWithVideoId(previewVideoId);
    contentView()->addSubview(m_videoView);
    layoutSubviews();
}

void YoutubeVideoCell::layoutSubviews()
{
    TableViewCell::layoutSubviews();
    if (m_videoView)
        m_videoView->setFrame(contentView()->bounds());
}

void YoutubeVideoCell::playerViewReceivedError(VideoPlayerView&, int code)
{
    Log::line("error " + std::to_string(code));
}

} // namespace quindle

#include "ui/VideoPlayerView.h"

#include <algorithm>

namespace quindle {

std::shared_ptr<VideoPlayerView> VideoPlayerView::create(Rect frame)
{
    auto view = std::shared_ptr<VideoPlayerView>(new VideoPlayerView(frame));
    view->setBackgroundColour(Colour::black());
    return view;
}

bool VideoPlayerView::isValidVideoId(std::string_view videoId)
{
    return videoId.size() == videoIdLength && std::all_of(videoId.begin(), videoId.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    });
}

std::string VideoPlayerView::watchURLForVideoId(std::string_view videoId)
{
    return "https://www.youtube.com/watch?v=" + std::string(videoId);
}

std::string VideoPlayerView::summary() const
{
    if (m_error)
        return "[video: error " + std::to_string(*m_error) + "]";
    return m_videoId.empty() ? "[video]" : "[video " + m_videoId + "]";
}

bool VideoPlayerView::loadWithVideoId(std::string videoId)
{
    bool valid = isValidVideoId(videoId);
    m_videoId = valid ? std::move(videoId) : std::string();
    m_error = valid ? std::nullopt : std::optional<int>(invalidParameterError);
    notify(ChangeKind::Content);
    if (!valid) {
        // The view stays alive through the call even if the delegate lets go of it.
        auto self = std::static_pointer_cast<VideoPlayerView>(shared_from_this());
        if (auto delegate = m_delegate.lock())
            delegate->playerViewReceivedError(*this, invalidParameterError);
    }
    return valid;
}

} // namespace quindle

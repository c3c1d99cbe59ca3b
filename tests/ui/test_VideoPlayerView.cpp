// The video player model: which ids load, what the delegate hears, and the watch address.
#include "ui/VideoPlayerView.h"

#include <gtest/gtest.h>

#include <vector>

using namespace quindle;

namespace {

struct RecordingDelegate : VideoPlayerViewDelegate {
    std::vector<int> codes;
    VideoPlayerView* from { nullptr };
    void playerViewReceivedError(VideoPlayerView& player, int code) override
    {
        codes.push_back(code);
        from = &player;
    }
};

struct IdCase {
    const char* id;
    bool valid;
};

class VideoIdTest : public testing::TestWithParam<IdCase> { };

} // namespace

TEST_P(VideoIdTest, LoadsOnlyIdsThatCanNameAVideo)
{
    auto delegate = std::make_shared<RecordingDelegate>();
    auto player = VideoPlayerView::create({ 0, 0, 320, 180 });
    player->setDelegate(delegate);
    const IdCase& c = GetParam();
    EXPECT_EQ(player->loadWithVideoId(c.id), c.valid);
    if (c.valid) {
        EXPECT_EQ(player->videoId(), c.id);
        EXPECT_EQ(player->watchURL(), std::string("https://www.youtube.com/watch?v=") + c.id);
        EXPECT_FALSE(player->error());
        EXPECT_TRUE(delegate->codes.empty());
    } else {
        EXPECT_EQ(player->videoId(), "");
        EXPECT_EQ(player->watchURL(), "");
        EXPECT_EQ(player->error(), VideoPlayerView::invalidParameterError);
        EXPECT_EQ(delegate->codes, std::vector<int> { 2 });
        EXPECT_EQ(delegate->from, player.get());
    }
}

INSTANTIATE_TEST_SUITE_P(Ids, VideoIdTest,
    testing::Values(IdCase { "dQw4w9WgXcQ", true }, IdCase { "a-b_c-d_e0Z", true }, IdCase { "___________", true },
        IdCase { "", false }, IdCase { "dQw4w9WgXc", false }, IdCase { "dQw4w9WgXcQQ", false }, IdCase { "dQw4w9WgX Q", false },
        IdCase { "dQw4w9WgX/Q", false }, IdCase { "dQw4w9WgX?Q", false }, IdCase { "dQw4w9WgX\xc3\xa9", false },
        IdCase { "https://you", false }));

TEST(VideoPlayerView, AnInvalidIdClearsTheVideoShownBefore)
{
    auto player = VideoPlayerView::create();
    ASSERT_TRUE(player->loadWithVideoId("dQw4w9WgXcQ"));
    EXPECT_FALSE(player->loadWithVideoId("nope"));
    EXPECT_EQ(player->videoId(), "");
    EXPECT_EQ(player->error(), 2);
    ASSERT_TRUE(player->loadWithVideoId("M7lc1UVf-VE"));
    EXPECT_FALSE(player->error());
    EXPECT_EQ(player->watchURL(), "https://www.youtube.com/watch?v=M7lc1UVf-VE");
}

TEST(VideoPlayerView, SummaryNamesTheVideoOrTheError)
{
    auto player = VideoPlayerView::create();
    EXPECT_EQ(player->summary(), "[video]");
    player->loadWithVideoId("dQw4w9WgXcQ");
    EXPECT_EQ(player->summary(), "[video dQw4w9WgXcQ]");
    player->loadWithVideoId("bad id");
    EXPECT_EQ(player->summary(), "[video: error 2]");
}

TEST(VideoPlayerView, WithoutADelegateAnErrorIsStillKept)
{
    auto player = VideoPlayerView::create();
    EXPECT_FALSE(player->loadWithVideoId("x"));
    EXPECT_EQ(player->error(), VideoPlayerView::invalidParameterError);
}

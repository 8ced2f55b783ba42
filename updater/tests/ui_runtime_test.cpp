#include "platform/Resources.h"
#include "ui/Dialogs.h"
#include "ui/Forms.h"
#include "ui/Media.h"
#include "ui/StdCtrls.h"
#include "ui/Threads.h"

#include "UiFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

namespace {

class PlainForm : public ui::TForm {
public:
    PlainForm() : ui::TForm(nullptr, "PlainForm") {
        Title = Make<ui::TLabel>("Title");
        Picture = Make<ui::TImage>("Picture");
    }
    std::string ClassName() const override { return "TPlainForm"; }
    ui::TLabel* Title;
    ui::TImage* Picture;
};

using testsupport::Worker;

using testsupport::ApplicationTest;

TEST_F(ApplicationTest, SynchronizeRunsOnTheWindowThreadAndTheWorkerWaitsForIt) {
    PlainForm form;
    ui::Application().SetMainForm(&form);
    std::thread::id windowThread = std::this_thread::get_id();
    std::atomic<bool> ranOnWindowThread{false};
    std::string seenByWorker;
    Worker worker([&] {
        ui::TThread::Synchronize([&] {
            ranOnWindowThread = std::this_thread::get_id() == windowThread;
            form.Title->SetCaption("step 1");
        });
        seenByWorker = form.Title->Caption(); // the hand-off is complete once Synchronize returns
        try {
            ui::TThread::Synchronize([] { throw std::runtime_error("refused"); });
        } catch (const std::runtime_error& e) {
            seenByWorker += std::string(" / ") + e.what();
        }
        ui::TThread::Synchronize([&] { form.Close(); });
    });
    worker.Start();
    ui::Application().Run();
    worker.WaitFor();
    EXPECT_TRUE(ranOnWindowThread);
    EXPECT_EQ(seenByWorker, "step 1 / refused");
    EXPECT_TRUE(ui::Application().Terminated());
    EXPECT_FALSE(form.HandleAllocated());
}

TEST_F(ApplicationTest, RunReturnsOnlyAfterSelfFreeingWorkersHaveEnded) {
    PlainForm form;
    ui::Application().SetMainForm(&form);
    std::atomic<int> handOffsAfterClose{0};
    auto* worker = new Worker([&] {
        ui::TThread::Synchronize([&] { form.Close(); });
        // The window is gone but the loop still serves this worker until it ends.
        ui::TThread::Synchronize([&] { ++handOffsAfterClose; });
    });
    worker->FreeOnTerminate = true;
    worker->Start();
    ui::Application().Run();
    EXPECT_EQ(handOffsAfterClose, 1);
    EXPECT_EQ(ui::RunningSelfFreeingThreads(), 0);
}

TEST_F(ApplicationTest, ShowingAFormCreatesPeersForItsControlsInCreationOrder) {
    PlainForm form;
    bool shown = false;
    form.OnShow = [&](ui::TComponent* sender) { shown = sender == &form; };
    form.Show();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(form.Visible());
    EXPECT_TRUE(form.Title->HandleAllocated());
    ASSERT_EQ(form.Controls().size(), 2u);
    EXPECT_EQ(form.Components()[1]->Name(), "Picture");
    EXPECT_EQ(form.FindComponent("Title"), form.Title);
    EXPECT_EQ(form.Title->ParentForm(), &form);
    form.Close();
    EXPECT_FALSE(ui::Application().Terminated()) << "only the main form ends the application";
}

TEST(Dialogs, ScriptedAnswersAreGivenInOrderAndWhatWasShownIsKept) {
    auto dialogs = std::make_shared<ui::TScriptedDialogs>();
    ui::ScopedDialogs scoped(dialogs);
    dialogs->AnswerMessage(ui::IDNO_);
    dialogs->AnswerFile(std::string("/tmp/backup.sql"));
    EXPECT_EQ(ui::Dialogs().ShowMessageBox("Delete?", "Confirm", ui::MB_YESNO_ | ui::MB_ICONQUESTION_),
              ui::IDNO_);
    EXPECT_EQ(ui::Dialogs().ShowMessageBox("Again?", "Confirm", ui::MB_YESNO_), ui::IDYES_);
    EXPECT_EQ(ui::Dialogs().SaveDialog({}), std::optional<std::string>("/tmp/backup.sql"));
    EXPECT_EQ(ui::Dialogs().BrowseForFolder("Java", ""), std::nullopt);
    auto shown = dialogs->Shown();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].Text, "Delete?");
    EXPECT_EQ(shown[0].Flags, ui::MB_YESNO_ | ui::MB_ICONQUESTION_);
    EXPECT_EQ(shown[3].Kind, "folder");
}

TEST(Resources, TheProgressClipPlaysWithEveryFrameItsHeaderPromises) {
    ui::TAnimate animate(nullptr, "Video");
    ASSERT_TRUE(animate.SetResName("MOVIE"));
    animate.SetActive(true);
    EXPECT_TRUE(animate.Active());
    ui::TAviInfo clip = ui::ParseAvi(plat::FindResourceData("MOVIE", "AVI"));
    EXPECT_GT(clip.TotalFrames, 1u);
    EXPECT_EQ(clip.FrameChunks, clip.TotalFrames);
}

// A transparent picture loses the colour of its bottom-left pixel: the arrow's ink must differ from it.
TEST(Resources, TheArrowsInkIsNotItsTransparentColour) {
    std::string_view bmp = plat::FindResourceData("ARROW");
    ui::TBitmapInfo info = ui::ParseBitmap(bmp);
    ASSERT_TRUE(info.Valid);
    ASSERT_EQ(info.BitCount, 24);
    const size_t stride = (static_cast<size_t>(info.Width) * 3 + 3) / 4 * 4;
    const size_t bits = static_cast<unsigned char>(bmp[10]);
    std::string_view bottomLeft = bmp.substr(bits, 3);
    std::string_view middleLeft = bmp.substr(bits + static_cast<size_t>(info.Height / 2) * stride, 3);
    EXPECT_NE(bottomLeft, middleLeft);
}

TEST(Resources, DamagedClipsAndPicturesAreRefused) {
    std::string clip(plat::FindResourceData("MOVIE", "AVI"));
    for (size_t cut : {size_t(0), size_t(11), size_t(100), clip.size() / 2}) {
        EXPECT_FALSE(ui::ParseAvi(std::string_view(clip).substr(0, cut)).Valid) << cut;
    }
    std::string huge = clip;
    huge[16] = '\xFF'; // the header list claims more bytes than the file has
    huge[17] = '\xFF';
    EXPECT_FALSE(ui::ParseAvi(huge).Valid);
    EXPECT_FALSE(ui::ParseBitmap("BM").Valid);
    ui::TAnimate animate(nullptr, "Video");
    EXPECT_FALSE(animate.SetResName("NOSUCHCLIP"));
    animate.SetActive(true);
    EXPECT_FALSE(animate.Active());
}

} // namespace

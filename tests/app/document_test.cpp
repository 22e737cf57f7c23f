// A document: the song with the editor object connected, saving with the settings, unsaved changes.
#include <gtest/gtest.h>

#include "app_test_util.h"
#include "document.h"
#include "smf/smf.h"
#include "song_file.h"

namespace {

using namespace apptest;
using host::app::Document;
using host::app::DocumentOptions;

constexpr int kQuantizeWord = 72;

class DocumentTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { UseBuiltModule(); }

    std::unique_ptr<Document> Load(const Bytes& bytes) {
        std::string error;
        auto doc = Document::FromBytes(bytes.data(), bytes.size(), "test.mid", DocumentOptions{}, &error);
        EXPECT_TRUE(doc) << error;
        return doc;
    }

    static Bytes SettingsOf(Document& doc) {
        Bytes image;
        std::string error;
        EXPECT_TRUE(doc.Serialize(&image, &error)) << error;
        return SettingsOfBytes(image);
    }

    static void AddNote(Document& doc, int pitch) { AddNoteEdit(doc, pitch, u"Add Note"); }
};

// Settings kept through saving and opening again: e2e_test.cpp, through the binary.
TEST_F(DocumentTest, DamagedSettingsAreIgnoredWithANote) {
    Bytes defaults = SettingsOf(*Load(MakeSong({{0, 0, 480, 60}})));
    Bytes damaged = defaults;
    SetSettingsWord(damaged, kQuantizeWord, 2);
    damaged[8] = 0x47; // block size word no longer 328
    Bytes image = MakeSong({{0, 0, 480, 60}});
    ASSERT_TRUE(host::app::InsertSettingsEvent(image, damaged));
    auto doc = Load(image);
    ASSERT_TRUE(doc);
    EXPECT_NE(doc->SettingsNote().find("damaged"), std::string::npos);
    EXPECT_EQ(SettingsOf(*doc), defaults);

    Bytes cut(defaults.begin(), defaults.begin() + 100);
    image = MakeSong({{0, 0, 480, 60}});
    ASSERT_TRUE(host::app::InsertSettingsEvent(image, cut));
    doc = Load(image);
    EXPECT_FALSE(doc->SettingsNote().empty());
    EXPECT_EQ(SettingsOf(*doc), defaults);
}

TEST_F(DocumentTest, UnsavedChangesFollowUndoRedoAndNewEdits) {
    auto doc = Load(MakeSong({{0, 0, 480, 60}}));
    EXPECT_FALSE(doc->Dirty());
    AddNote(*doc, 62);
    EXPECT_EQ((std::tuple{bool(doc->Dirty()), doc->UndoName(), doc->Undo(), bool(doc->Dirty()), doc->RedoName(),
                          doc->Redo(), bool(doc->Dirty())}),
              (std::tuple{true, u"Add Note", win::S_OK, false, u"Add Note", win::S_OK, true}));

    TempDir dir;
    std::string error;
    ASSERT_TRUE(doc->Save((dir / "a.mid").string(), &error)) << error;
    EXPECT_FALSE(doc->Dirty());
    // Undo below the saved state, then a different edit: the saved state is gone for good.
    EXPECT_EQ(doc->Undo(), win::S_OK);
    EXPECT_TRUE(doc->Dirty());
    AddNote(*doc, 64);
    EXPECT_EQ((std::tuple{bool(doc->Dirty()), doc->Undo(), bool(doc->Dirty()), doc->Undo()}),
              (std::tuple{true, win::S_OK, true, win::S_FALSE}));
}

TEST_F(DocumentTest, AFailedSaveKeepsTheFileAndTheUnsavedMark) {
    auto doc = Load(MakeSong({{0, 0, 480, 60}}));
    AddNote(*doc, 67);
    TempDir dir;
    std::string error;
    EXPECT_FALSE(doc->Save((dir / "no" / "such" / "dir.mid").string(), &error));
    EXPECT_EQ((std::tuple{bool(error.empty()), bool(doc->Path().empty()), doc->DisplayName(), bool(doc->Dirty())}),
              (std::tuple{false, true, "test.mid", true}));
}

} // namespace

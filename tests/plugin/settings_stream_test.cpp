// The settings stream of the plug-in object: format, defaults, refusals and the round trip.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "editor_fixture.h"
#include "memory_stream.h"

namespace {

using namespace win;
using Bytes = std::vector<std::uint8_t>;

void PutWord(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}
std::uint32_t GetWord(const Bytes& bytes, std::size_t offset) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= std::uint32_t(bytes[offset + i]) << (8 * i);
    return v;
}

Bytes Header(std::uint32_t size) {
    Bytes header(12, 0);
    PutWord(header, 0, 5);
    PutWord(header, 8, size);
    return header;
}

class SettingsStream : public harness::EditorFixture {
protected:
    void SetUp() override {
        harness::EditorFixture::SetUp();
        CreatePlugin();
        persist = Query<IPersistStream>(IID_IPersistStream);
        ASSERT_NE(persist, nullptr);
        const Bytes fresh = Saved();
        ASSERT_EQ(fresh.size(), 340u);
        defaults.assign(fresh.begin() + 12, fresh.end());
    }
    // The settings block part of what the object saves now.
    Bytes SavedBlock() {
        const Bytes saved = Saved();
        return Bytes(saved.begin() + 12, saved.end());
    }
    void TearDown() override {
        if (persist) persist->Release();
        harness::EditorFixture::TearDown();
    }
    Bytes Saved() {
        harness::MemoryStream out;
        EXPECT_EQ(persist->Save(&out, TRUE), S_OK);
        return out.Bytes();
    }
    IPersistStream* persist = nullptr;
    Bytes defaults; // the block of a fresh object
};

TEST_F(SettingsStream, FreshObjectWritesHeaderAndDefaults) {
    Bytes saved = Saved();
    EXPECT_EQ(GetWord(saved, 0), 5u);
    EXPECT_EQ(GetWord(saved, 4), 0u);
    EXPECT_EQ(GetWord(saved, 8), 328u);
    // A few defaults that other programs reading the block rely on: the face name, the time format's
    // tempo and signature, and the lane id.
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(defaults.data() + 44)), u"Tahoma");
    double tempo = 0;
    std::memcpy(&tempo, defaults.data() + 208, 8);
    EXPECT_EQ(tempo, 120.0);
    EXPECT_EQ(GetWord(defaults, 56 * 4), 0x40004u);
    EXPECT_EQ(GetWord(defaults, 57 * 4), 24576u);
    EXPECT_EQ(GetWord(defaults, 75 * 4), 1128u);

    ULARGE_INTEGER size{};
    EXPECT_EQ(persist->GetSizeMax(&size), S_OK);
    EXPECT_EQ(size.QuadPart, 344u);
    EXPECT_EQ(persist->GetSizeMax(nullptr), E_POINTER);
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    CLSID clsid{};
    EXPECT_EQ(persist->GetClassID(&clsid), S_OK);
    EXPECT_TRUE(clsid == (CLSID{0x302237E3, 0x3036, 0x49B9, {0x8F, 0x2A, 0x49, 0x20, 0xE8, 0xAF, 0x8E, 0x2F}}));
}

TEST_F(SettingsStream, EveryWordSurvivesTheRoundTrip) {
    Bytes stream = Header(328);
    for (int i = 0; i < 328; ++i) stream.push_back(static_cast<std::uint8_t>(i * 7 + 3));
    // A realistic 64-bit song length and two doubles in their places.
    const std::int64_t length = 0x123456789ALL;
    const double one = 0.75, tempo = 96.5;
    std::memcpy(stream.data() + 12 + 280, &length, 8);
    std::memcpy(stream.data() + 12 + 200, &one, 8);
    std::memcpy(stream.data() + 12 + 208, &tempo, 8);
    harness::MemoryStream in(stream);
    ASSERT_EQ(persist->Load(&in), S_OK);
    EXPECT_EQ(in.Position(), 340u);
    EXPECT_EQ(Saved(), stream);
}

TEST_F(SettingsStream, WrongBlockSizeIsRefusedQuietly) {
    Bytes stream(7, 0xEE); // data before the settings in a larger stream
    Bytes header = Header(327);
    stream.insert(stream.end(), header.begin(), header.end());
    stream.insert(stream.end(), 328, 0x11);
    harness::MemoryStream in(stream);
    in.Seek(LARGE_INTEGER{7}, STREAM_SEEK_SET, nullptr);
    EXPECT_EQ(persist->Load(&in), S_OK);
    EXPECT_EQ(in.Position(), 7u) << "the stream goes back to where the settings began";
    EXPECT_EQ(SavedBlock(), defaults);
}

TEST_F(SettingsStream, ShortBlockKeepsWhatWasRead) {
    Bytes stream = Header(328);
    stream.insert(stream.end(), 328, 0x5A);
    harness::MemoryStream in(stream);
    in.CutAfter(12 + 100);
    EXPECT_EQ(persist->Load(&in), S_OK);
    EXPECT_EQ(in.Position(), 0u);
    Bytes expected = defaults;
    std::fill(expected.begin(), expected.begin() + 100, 0x5A);
    EXPECT_EQ(SavedBlock(), expected);
}

TEST_F(SettingsStream, LoadStartsFromTheDefaultsEveryTime) {
    Bytes full = Header(328);
    full.insert(full.end(), 328, 0x33);
    harness::MemoryStream first(full);
    ASSERT_EQ(persist->Load(&first), S_OK);
    harness::MemoryStream empty;
    EXPECT_EQ(persist->Load(&empty), S_OK) << "an empty stream is refused without error";
    EXPECT_EQ(SavedBlock(), defaults);
}

TEST_F(SettingsStream, StreamErrorsComeBackAsTheyAre) {
    harness::MemoryStream failing(Header(328));
    failing.FailReads(STG_E_READFAULT);
    EXPECT_EQ(persist->Load(&failing), STG_E_READFAULT);
    harness::MemoryStream noSeek(Header(328));
    noSeek.FailSeeks(STG_E_INVALIDFUNCTION);
    EXPECT_EQ(persist->Load(&noSeek), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(persist->Save(&noSeek, FALSE), STG_E_INVALIDFUNCTION);
    harness::MemoryStream full;
    full.FailWrites(STG_E_MEDIUMFULL);
    EXPECT_EQ(persist->Save(&full, TRUE), STG_E_MEDIUMFULL);
    EXPECT_EQ(persist->Load(nullptr), E_POINTER);
    EXPECT_EQ(persist->Save(nullptr, TRUE), E_POINTER);
}

} // namespace

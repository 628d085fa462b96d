// Text files on real files: line ends, the current file, the file table and its bound.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstdio>
#include <string>
#include <vector>
#include "platform/text_files.h"
#include "tests/launcher_test_support.h"

namespace {

const std::string Folder = "T:\\text_files\\";
using Lines = std::vector<std::string>;

// Whether a writer could open the file now: an open text file lets others read it only.
bool IsHeldOpen(const std::string& name) {
    return !OwnedFile(CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
}

class TextFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryA(Folder.c_str(), nullptr);
        InitTextFiles();
    }
    void TearDown() override { CloseAllTextFiles(); }

    // Reads the way the launcher does: a line only while the file is not at its end.
    static Lines LinesOf(const std::string& bytes) {
        WriteBytes(Folder + "lines.txt", bytes);
        const ObjectNumber file = OpenTextFile(AutoNumber, Folder + "lines.txt");
        Lines lines;
        while (file && AtEndOfFile(file) == 0 && lines.size() < 10) lines.push_back(ReadTextLine());
        EXPECT_EQ("", ReadTextLine()) << "past the end";
        CloseTextFile(file);
        return lines;
    }
};

TEST_F(TextFilesTest, EveryLineEndEndsOneLine) {
    const std::string x255(255, 'x');  // its line end is the last byte of the first read
    const std::string megabyte(1 << 20, 'm');
    const std::string longest(64 << 10, 'm');
    const struct {
        std::string bytes;
        Lines lines;
    } cases[] = {
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"a\n\rb", {"a", "", "b"}},
        {"a\r\r\nb", {"a", "", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {std::string("ab\0cd\r\n", 7), {"ab", "cd"}},
        {"x\r", {"x"}},
        {"no end", {"no end"}},
        {x255 + "\r\nb", {x255, "b"}},
        {x255 + "\rb", {x255, "b"}},
        {x255 + "\r", {x255}},
        {"", {}},
    };
    for (const auto& test : cases) EXPECT_EQ(test.lines, LinesOf(test.bytes)) << test.bytes;
    EXPECT_EQ((Lines{longest, "next"}), LinesOf(megabyte + "\r\nnext")) << "cut, and the rest skipped";
}

TEST_F(TextFilesTest, WritingEndsLinesWithCrLfAndCreatingEmptiesEvenAHiddenFile) {
    const std::string name = Folder + "hidden.txt";
    WriteBytes(name, "old contents");
    SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(0, WriteTextLine("nowhere")) << "no file is current yet";
    ASSERT_NE(0, CreateTextFile(AutoNumber, name));
    EXPECT_EQ(2, WriteTextLine(""));
    EXPECT_EQ(5, WriteTextLine("abc"));
    CloseAllTextFiles();
    EXPECT_EQ("\r\nabc\r\n", ReadBytes(name));
    EXPECT_TRUE(GetFileAttributesA(name.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(TextFilesTest, AFailedOpeningLeavesNoFileCurrentAndKeepsTheOldFile) {
    const std::string name = Folder + "kept.txt";
    DeleteFileA(name.c_str());
    ASSERT_NE(0, OpenTextFile(3, name));
    EXPECT_EQ("", ReadBytes(name)) << "created empty";
    EXPECT_EQ(0, OpenTextFile(3, Folder + "no such folder\\x.txt"));
    EXPECT_EQ(0, WriteTextLine("lost")) << "no file is current";
    EXPECT_EQ(-1, AtEndOfFile(3)) << "the old file is still open under 3";
    ASSERT_NE(0, OpenTextFile(3, Folder + "other.txt"));
    EXPECT_FALSE(IsHeldOpen(name)) << "a successful reopening closes the old file";
    CloseTextFile(3);
    EXPECT_EQ(0, AtEndOfFile(3)) << "an empty slot is not at its end";
}

TEST_F(TextFilesTest, TheBoundGrowsPastEveryNumberUsedAndHandlesStayOutsideIt) {
    const struct {
        ObjectNumber number;
        ObjectNumber bound;
    } openings[] = {{10, 20}, {25, 35}, {3, 35}, {HighestTableNumber + 1, 35}, {-2, 35}};
    EXPECT_EQ(10, TextFileBound());
    for (const auto& opening : openings) {
        const bool valid = opening.number <= HighestTableNumber && opening.number >= 0;
        EXPECT_EQ(valid, OpenTextFile(opening.number, Folder + std::to_string(opening.number)) != 0) << opening.number;
        EXPECT_EQ(opening.bound, TextFileBound()) << opening.number;
    }
    EXPECT_GT(OpenTextFile(AutoNumber, Folder + "auto.txt"), TextFileBound());
    CloseAllTextFiles();
    EXPECT_FALSE(IsHeldOpen(Folder + "25") || IsHeldOpen(Folder + "auto.txt"));
}

TEST_F(TextFilesTest, ClosingTheCurrentFileKeepsLinesFromReachingTheNextHandle) {
    CloseTextFile(CreateTextFile(AutoNumber, Folder + "closed.txt"));
    // The next handle opened may get the closed one's value.
    OwnedFile other(CreateFileA((Folder + "other.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    EXPECT_EQ(0, WriteTextLine("stray"));
    EXPECT_EQ(0u, GetFileSize(other.Get(), nullptr));
}

}  // namespace

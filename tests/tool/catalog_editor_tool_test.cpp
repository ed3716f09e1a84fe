// A catalog made in the editor from a folder of real songs, read back and
// played by nu_kotool as users' scripts run it.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "library/catalog_editor.h"
#include "nuko/prompt.h"
#include "scripted_prompt.h"
#include "test_support.h"

using namespace nuko;
using nuko::test::RunProgram;
using nuko::test::ScopedEnv;
using nuko::test::TempDir;
using nuko::test::WriteBytes;

namespace {

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(CatalogEditorTool, ACatalogMadeFromACorpusFolderIsReadAndPlayed) {
    NUKO_CORPUS_FILE(folder, "midi/");
    TempDir config, work, out;
    ScopedEnv config_home("XDG_CONFIG_HOME", config.path());
    std::filesystem::create_directories(config.path() + "NU-KO Application");
    WriteBytes(config.File("NU-KO Application/NU-KO Player32.ini"),
               "[Tool]\nUserTmp=1\nTmpDir=" + work.path() + "\n");

    media::CatalogEditor editor(media::MediaKind::Midi, {}, {});
    editor.ShowFolder(folder, 0);
    ASSERT_GE(editor.files().size(), 10u);
    ASSERT_EQ(editor.RegisterAll(editor.files()), static_cast<int>(editor.files().size()));
    editor.SetTitle("Corpus songs");
    editor.SetSubTitle("from the editor");
    const std::string catalog = out.File("corpus.mit");
    ASSERT_TRUE(editor.SaveAs(catalog));

    std::string text;
    ASSERT_EQ(RunProgram({test::KoTool(), "catalog", catalog}, &text), 0);
    const auto lines = SplitLines(text);
    ASSERT_EQ(lines.size(), editor.rows().size() + 2);
    EXPECT_EQ(lines[0], "title: Corpus songs");
    EXPECT_EQ(lines[1], "subtitle: from the editor");
    for (std::size_t i = 0; i < editor.rows().size(); ++i) {
        const media::MediaItem& row = editor.rows()[i];
        EXPECT_EQ(row.name, editor.files()[i]);
        EXPECT_FALSE(row.title.empty());
        EXPECT_EQ(lines[i + 2], row.name + "\t" + row.title + "\t\t") << i;
    }

    // Played in catalog order: every song that starts is the catalog's row
    // of that number.
    std::string played;
    ASSERT_EQ(RunProgram({test::KoTool(), "playlist", catalog, "--mode", "1", "--fast", "--max", "3"}, &played), 0);
    const auto events = SplitLines(played);
    int plays = 0;
    for (const std::string& e : events) {
        if (!e.starts_with("play ")) continue;
        const std::size_t blank = e.find(' ', 5);
        const int n = std::stoi(e.substr(5, blank - 5));
        ASSERT_GE(n, 1);
        EXPECT_EQ(e.substr(blank + 1), editor.rows()[static_cast<std::size_t>(n - 1)].name);
        ++plays;
    }
    EXPECT_EQ(plays, 3) << played;
    EXPECT_EQ(events.back(), "stop");
}

}  // namespace

// The CD panel's models: the track list with its title markers, the track
// grid's layout, paging, keys and colours, and the drive list's letters and
// path forms.
#include <gtest/gtest.h>

#include "cd/cd_drives.h"
#include "cd/cd_track_list.h"
#include "cd/track_grid.h"

namespace nuko::cd {
namespace {

media::MediaList Record(std::initializer_list<const char*> titles) {
    media::MediaList record;
    record.kind = media::MediaKind::Cd;
    int n = 1;
    for (const char* t : titles) {
        media::MediaItem item;
        item.title = t;
        item.number = n++;
        record.Add(item);
    }
    return record;
}

TEST(CdTrackListTest, MarkersExcludeAndHideTracksAndSetTheirFlags) {
    media::MediaList record = Record({"One", "@Two", "$Three", "Four"});
    CdTrackList list;
    list.Build(record);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.HiddenCount(), 1);
    EXPECT_EQ(list.TrackOfRow(1), 1);
    EXPECT_EQ(list.TrackOfRow(2), 2);
    EXPECT_EQ(list.TrackOfRow(3), 4);
    EXPECT_EQ(list.TrackOfRow(4), 0);
    EXPECT_EQ(list.RowOfTrack(3), 0);
    EXPECT_EQ(list.RowOfTrack(4), 3);
    EXPECT_TRUE(list.Excluded(2));
    EXPECT_EQ(list.DisplayState(2), kRowExcluded);
    EXPECT_EQ(list.DisplayState(1), kRowOrdinary);
    EXPECT_EQ(list.PlayableCount(), 2);
    EXPECT_EQ(record.items[0].flags, 0x0301);
    EXPECT_EQ(record.items[1].flags, 0x0002);
    EXPECT_EQ(record.items[2].flags, 0x03FF);
    EXPECT_EQ(record.items[3].flags, 0x0304);
}

TEST(CdTrackListTest, ADiscOfHiddenTracksOnlyShowsAnEmptyList) {
    media::MediaList record = Record({"$a", "$b", "$c"});
    CdTrackList list;
    list.Build(record);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.HiddenCount(), 3);
    EXPECT_EQ(list.PlayableCount(), 0);
}

TEST(CdTrackListTest, ProgramPlayOrdersTheRowsByProgramNumber) {
    media::MediaList record = Record({"a", "b", "c"});
    record.items[0].number = 3;
    record.items[1].number = 1;
    record.items[2].number = 2;
    CdTrackList list;
    list.Build(record);
    EXPECT_EQ(list.TrackOfRow(1), 1);  // program play off: track order
    record.loaded = 1;
    list.Build(record);
    EXPECT_EQ(list.TrackOfRow(1), 2);
    EXPECT_EQ(list.TrackOfRow(2), 3);
    EXPECT_EQ(list.TrackOfRow(3), 1);
    EXPECT_EQ(list.rows()[0].title, "b");
}

TEST(TrackGridTest, LayoutOfA120By90Grid) {
    TrackGrid g;
    g.SetSize(120, 90);
    EXPECT_EQ(g.columns(), 4);
    EXPECT_EQ(g.rows(), 3);
    EXPECT_EQ(g.cells_per_page(), 12);
    g.SetTrackCount(14);
    EXPECT_EQ(g.last_page(), 1);
    EXPECT_EQ(g.PageOfTrack(12), 0);
    EXPECT_EQ(g.PageOfTrack(13), 1);
    const CellRect c = g.Cell(5);  // column 1, row 1
    EXPECT_EQ(c.x, 24);
    EXPECT_EQ(c.y, 44);
    EXPECT_EQ(c.width, 20);
    EXPECT_EQ(c.height, 15);
    EXPECT_EQ(g.TrackAt(25, 45), 6);
    EXPECT_EQ(g.TrackAt(23, 45), 0);  // between cells
    // Page 1 draws 13 and 14 only.
    g.NextPage();
    EXPECT_EQ(g.TrackOfCell(0), 13);
    EXPECT_EQ(g.TrackOfCell(1), 14);
    EXPECT_EQ(g.TrackOfCell(2), 0);
}

TEST(TrackGridTest, TinyAndHugeSizesStayWithinTheirBounds) {
    TrackGrid g;
    g.SetSize(10, 5);
    EXPECT_EQ(g.columns(), 1);
    EXPECT_EQ(g.rows(), 1);
    g.SetSize(100000, 40);
    EXPECT_EQ(g.columns(), 99);
    g.SetTrackCount(150);  // never more than 99 numbers
    EXPECT_EQ(g.track_count(), 99);
    EXPECT_EQ(g.last_page(), 0);
    g.SetTrackCount(0);
    EXPECT_EQ(g.last_page(), 0);
    EXPECT_EQ(g.Key(GridKey::Right, false), 0);
}

TEST(TrackGridTest, PagingWrapsBothWays) {
    TrackGrid g;
    g.SetSize(120, 90);
    g.SetTrackCount(30);  // pages 0, 1, 2
    g.PreviousPage();
    EXPECT_EQ(g.page(), 2);
    g.NextPage();
    EXPECT_EQ(g.page(), 0);
    g.Key(GridKey::PageDown, false);
    EXPECT_EQ(g.page(), 1);
    g.Key(GridKey::PageUp, false);
    g.Key(GridKey::PageUp, false);
    EXPECT_EQ(g.page(), 2);
    g.SetCurrent(5);
    EXPECT_EQ(g.page(), 0);  // the current track's page is shown
}

TEST(TrackGridTest, KeysMoveTheSelectionAndWrap) {
    TrackGrid g;
    g.SetSize(120, 90);
    g.SetTrackCount(14);
    g.SetCurrent(1);
    EXPECT_EQ(g.Key(GridKey::Left, false), 14);
    EXPECT_EQ(g.Key(GridKey::Up, false), 14);
    g.SetCurrent(14);
    EXPECT_EQ(g.Key(GridKey::Right, false), 1);
    EXPECT_EQ(g.Key(GridKey::Down, false), 1);
    g.SetCurrent(7);
    EXPECT_EQ(g.Key(GridKey::Left, false), 6);
    EXPECT_EQ(g.Key(GridKey::Right, false), 8);
    EXPECT_EQ(g.Key(GridKey::Home, false), 1);
    EXPECT_EQ(g.Key(GridKey::Home, true), 0);
    EXPECT_EQ(g.Key(GridKey::End, false), 14);
}

TEST(TrackGridTest, ColoursOfCurrentExcludedAndBlinkingTracks) {
    TrackGrid g;
    g.SetSize(120, 90);
    g.SetTrackCount(5);
    g.SetCurrent(2);
    g.SetMarked(4);
    const std::uint32_t text = 0x123456;
    EXPECT_EQ(g.Colour(1, false, true, text), text);
    EXPECT_EQ(g.Colour(3, true, true, text), TrackGrid::kExcludedColour);
    EXPECT_EQ(g.Colour(2, false, false, text), TrackGrid::kCurrentColour);
    EXPECT_EQ(g.Colour(4, false, true, text), TrackGrid::kMarkColour);
    EXPECT_EQ(g.Colour(4, true, true, text), TrackGrid::kMarkExcludedColour);
    EXPECT_EQ(g.Colour(4, false, false, text), 0u);
}

TEST(CdDrivesTest, LettersComeFromTheDriveMapElseTheNextFreeFromD) {
    path::DriveMap map{{'D', "/home/u/music"}, {'G', "/dev/sr1"}};
    auto drives = AssignDriveLetters({"/dev/sr0", "/dev/sr1", "/dev/sr2"}, map);
    ASSERT_EQ(drives.size(), 3u);
    EXPECT_EQ(drives[0].letter, 'E');  // D is a folder of the map
    EXPECT_EQ(drives[0].device, "/dev/sr0");
    EXPECT_EQ(drives[1].letter, 'F');
    EXPECT_EQ(drives[1].device, "/dev/sr2");
    EXPECT_EQ(drives[2].letter, 'G');
    EXPECT_EQ(drives[2].Label(), "G");
    EXPECT_EQ(FindDriveByLetter(drives, 'g'), 2);
    EXPECT_EQ(FindDriveByLetter(drives, 'D'), -1);
    EXPECT_EQ(FindDriveByDevice(drives, "/dev/sr2"), 1);
    CdDrive image{0, "/discs/album.cue", true};
    EXPECT_EQ(image.Label(), "album.cue");
}

TEST(CdDrivesTest, PathFormsOfDrivesAndTracks) {
    auto root = ParseCdPathForm("d:\\");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->letter, 'D');
    EXPECT_EQ(root->track, 0);
    auto track = ParseCdPathForm("D*12");
    ASSERT_TRUE(track);
    EXPECT_EQ(track->track, 12);
    for (const char* bad : {"D*0", "D*", "D:", "Dx3", "D*3a", "1:\\", "D:\\x", ""}) EXPECT_FALSE(ParseCdPathForm(bad)) << bad;
    EXPECT_EQ(CdaTrackNumber("/media/cd/Track03.cda"), 3);
    EXPECT_EQ(CdaTrackNumber("TRACK11.CDA"), 11);
    EXPECT_EQ(CdaTrackNumber("x.cda"), 0);
}

}  // namespace
}  // namespace nuko::cd

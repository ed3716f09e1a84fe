// The core's part for the CD kind: the drive list, the chosen drive, the
// disc in it with its title database record, the CD play list and what the
// insert check last saw. Its functions are the core's (cd_session.cpp).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cd/cd_drives.h"
#include "cd/cd_title_db.h"
#include "cd/disc_toc.h"
#include "cd/disc_watch.h"
#include "library/media_list.h"
#include "core/player_core.h"
#include "playback/cd_play_list.h"

namespace nuko::app {

struct CdSession {
    std::unique_ptr<cd::RegistrationIndex> own_index;  // without a settings store
    std::unique_ptr<cd::CdTitleDatabase> db;
    std::vector<cd::CdDrive> drives;
    int drive = -1;
    media::MediaList record;
    cd::DiscToc toc;
    CdStatus status = CdStatus::Ready;
    bool disc_present = false;
    std::unique_ptr<playback::CdPlayList> list;
    // The disc id (empty: none) the insert check last saw in each drive.
    std::map<std::string, std::string> seen_discs;
    // Opens the drives for the insert check off the core's thread; made on
    // the first check.
    std::unique_ptr<cd::DiscWatch> watch;
};

}  // namespace nuko::app

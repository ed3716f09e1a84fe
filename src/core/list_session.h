// The core's part for the file kinds (MIDI, movie, sound): the file area's
// rows, the play list over them, the list on its way in, the image plug-ins
// and the archives whose members play. Its functions are the core's
// (list_session.cpp); one thread, the core's, but for the loader's worker.
#pragma once

#include <memory>
#include <string>

#include "library/archive_file.h"
#include "library/file_area_model.h"
#include "library/image_plugins.h"
#include "library/list_loader.h"
#include "playback/file_play_list.h"

namespace nuko::app {

struct ListSession {
    explicit ListSession(Dispatcher& dispatcher) : loader(dispatcher) {}

    // A list on its way in: what to select once its rows come.
    struct Loading {
        bool active = false;
        std::string keep;   // the path of the current item before the reload
        int item = 0;       // the stored current item, when `keep` does not come
        std::string named;  // the file an open named
        bool chosen = false;  // the row to select has come, or the user chose one
        bool play = false;    // a play asked for before the rows were there
    };

    media::FileAreaModel files;
    media::ImagePlugins images;
    std::string images_folder;  // the folder `images` came from
    std::unique_ptr<playback::FilePlayList> list;
    // Archive rows play their chosen member; the extracted files go with it.
    std::unique_ptr<media::CArchiveFile> archives;
    bool archives_enabled = false;
    std::string archive_played;  // the archive whose member was extracted last
    Loading loading;
    // Last: it goes first, waiting for its thread; what it still posts is
    // dropped.
    media::ListLoader loader;
};

}  // namespace nuko::app

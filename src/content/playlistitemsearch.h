#pragma once

#include "core/inifile.h"
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

// The playlist item search: from section "Item" + itemIndex on, the first item whose file is in the
// folder list and whose date window holds the present moment. Sections are numbered from 1 without
// gaps; a missing section ends the list and the search goes on at "Item1". Every value is read
// from the files at the moment of use, and "now" comes from the board's clock.
//
// The search gives up (nothing chosen) when six visited items named files missing from the folder
// list, when there is no playlist or no "Item1" at all, and when it has visited every item since
// the last missing file (or since it began) without choosing one, for example because every item
// lies outside its date window.

struct PlaylistSearchResult {
    bool chosen = false;
    int fileIndex = -1; // the chosen item's position in the folder list
    // The duration of the last item visited: the slide timer's interval from now on.
    std::optional<std::uint32_t> interval;
};

inline const QString playlistMessage = QStringLiteral(
    "Something is wrong with your playlist.ini file. Cannot load any items. Check the structure of "
    "the file, it must be incorrect somewhere");

// itemIndex is the section number the search starts at; it is left at the chosen item, or where
// the search gave up. indexOf gives a file name's position in the folder list (case-insensitive)
// or -1. config is config.ini, for the default duration. The clock says which items' date
// windows are open.
PlaylistSearchResult searchPlaylist(const TIniFile* playlist, const TIniFile& config,
                                    const std::function<int(const QString&)>& indexOf,
                                    std::int32_t& itemIndex, const TClock& clock);

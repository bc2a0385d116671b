#pragma once

// The remote command table's names, in code order from SetListener (code 1) to SearchStations
// (code 21). Header-only and free of Qt so that the player and the quillowave-remote client read
// the one table.

#include <iterator>

namespace RemoteCommandNames {

inline constexpr const char* Names[] = {"SetListener",
                                        "PlayURL",
                                        "Play",
                                        "Stop",
                                        "StartRecording",
                                        "StopRecording",
                                        "IncVolume",
                                        "DecVolume",
                                        "SetVolume",
                                        "MuteVolume",
                                        "SelectSearchResults",
                                        "SelectFavorites",
                                        "SelectHistory",
                                        "KeyDown",
                                        "KeyUp",
                                        "KeyDownNumPad",
                                        "KeyDownStationList",
                                        "KeyDownMenu",
                                        "ShowMenu",
                                        "GetStatus",
                                        "SearchStations"};

inline constexpr unsigned FirstCode = 1;
inline constexpr unsigned LastCode = FirstCode + unsigned(std::size(Names)) - 1;

// The name of a code in the table; nullptr outside it.
constexpr const char* nameOf(unsigned code) {
    return code < FirstCode || code > LastCode ? nullptr : Names[code - FirstCode];
}

} // namespace RemoteCommandNames

// Access to the test fixtures started by ctest: the private Icecast server with its mounts and
// the scriptable HTTP server. Plain C++ (no Qt) so that GoogleTest tests can use it too.
// Any thread; the helpers run tests/support/fixturectl and wait for it.
#pragma once

#include <string>

namespace qwtest {

// Folder holding fixture.env and the servers' state: $QW_FIXTURE_DIR, else the build tree's
// fixtures/ folder.
std::string fixtureDir();

// Folder whose files the HTTP server serves under /files/ (tests may drop files here).
std::string wwwDir();

// Value of KEY in fixture.env (QW_ICECAST_URL, QW_ICECAST_ADMIN_USER, QW_ICECAST_ADMIN_PASSWORD,
// QW_HTTP_URL); empty when the file or the key is missing.
std::string fixtureValue(const std::string& key);

// "http://127.0.0.1:PORT/mp3" for mount "/mp3"; empty when the Icecast fixture is not running.
std::string icecastUrl(const std::string& mount);

// "http://127.0.0.1:PORT/files/sine.mp3" for path "/files/sine.mp3"; empty when the HTTP
// fixture is not running.
std::string httpUrl(const std::string& path);

// Sets the title listeners of MOUNT see ("Artist - Title"). MP3 and AAC mounts change it through
// the admin API (ICY metadata); Ogg mounts start a new chained stream with TITLE and ARTIST
// comments. Returns once Icecast reports the new title; false on failure.
bool setMountTitle(const std::string& mount, const std::string& title);

// Disconnects MOUNT's source: Icecast drops the mount and its listeners. Returns once the mount
// is gone.
bool stopSource(const std::string& mount);

// Reconnects MOUNT's source, keeping its current title. Returns once the mount answers.
bool startSource(const std::string& mount);

} // namespace qwtest

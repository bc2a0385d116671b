#pragma once

// The error code of the library's last call, kept per calling thread as the public interface
// promises. Any thread; no owner (thread-local storage).

namespace qwaudio {

class ErrorState {
public:
    static void set(int code);
    static int get();
    // Sets code and returns false: the common tail of a failing BOOL call.
    static bool fail(int code);
};

} // namespace qwaudio

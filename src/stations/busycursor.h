#pragma once

// Shows the wait cursor for the lifetime of the guard; restore() ends it early, before a message
// box. GUI thread; lives on the stack of a long list operation. Does nothing without a GUI.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

    void restore();

private:
    bool m_active = false;
};

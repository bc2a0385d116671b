#pragma once

// Shows the wait cursor for the lifetime of the guard; restore() ends it early, before a message
// box. Lives on the stack of a long list operation; does nothing without a GUI or off the GUI
// thread (a list read in the background keeps the window's cursor as it is).
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

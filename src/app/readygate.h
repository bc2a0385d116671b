#pragma once

// What a request from outside waits for when it needs the whole window (its audio library and
// station directory): it runs at once when everything is there, else once it is, in the order
// the requests came. Implemented by the window's start-up; GUI thread.

#include <functional>

class ReadyGate {
public:
    virtual ~ReadyGate() = default;
    virtual bool isReady() const = 0;
    virtual void whenReady(std::function<void()> request) = 0;
};

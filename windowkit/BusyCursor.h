#pragma once

// The busy mouse pointer while a service call runs; restored when it goes out
// of scope, whatever path the caller takes.
class BusyCursor
{
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

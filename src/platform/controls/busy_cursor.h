#pragma once

namespace platform {

// The wait cursor over all our windows for as long as it lives: a handler that may wait on the disk holds
// one, and whichever way the handler returns the pointer comes back. Guards nest; each takes back only the
// cursor it set.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// The usual pointer while a box waits for the user, even inside a busy handler: a wait cursor over a box
// would say that clicking it is no use. The busy cursors come back when the box has gone.
class UsualPointer {
public:
    UsualPointer();
    ~UsualPointer();
    UsualPointer(const UsualPointer&) = delete;
    UsualPointer& operator=(const UsualPointer&) = delete;

private:
    int lifted_ = 0;
};

} // namespace platform

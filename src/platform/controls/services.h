#pragma once

namespace platform {

class Dialogs;
class FileSystem;
class RandomSource;

// What a window needs from the outside world, handed in through its constructor.
struct Services {
    FileSystem& fileSystem;
    Dialogs& dialogs;
    RandomSource& random;
};

} // namespace platform

// Writes the program's icon at one size as a PNG, for installing into the icon theme.
#include <cstdio>
#include <cstdlib>

#include <QString>

#include "platform/controls/program_icon.h"

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_icon SIZE FILE.png\n");
        return 2;
    }
    const int size = std::atoi(argv[1]);
    return size > 0 && platform::programIconImage(size).save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
}

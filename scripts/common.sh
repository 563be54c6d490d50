# Shared by scripts/run and scripts/test: install what a fresh Debian 12 lacks, then configure and build.

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

say() { printf '==> %s\n' "$*"; }

# Debian packages the build needs; each is installed only when missing. The tests make FAT, NTFS and
# exFAT volumes served through FUSE (fusermount comes with fuse3), a FUSE share of their own (libfuse3),
# btrfs, XFS and squashfs volumes when run as root, and a Turkish locale of their own, and drive the
# program under a virtual X server with a real window manager and a screen reader's bus.
required_packages=(cmake g++ make pkg-config qt6-base-dev googletest libgtest-dev fonts-dejavu-core
                   fonts-liberation desktop-file-utils appstream fusefat ntfs-3g dosfstools fuse3 libfuse3-dev
                   exfat-fuse exfatprogs btrfs-progs xfsprogs squashfs-tools locales
                   libxcb1-dev xvfb xauth openbox xdotool x11-utils dbus at-spi2-core python3-pyatspi)
# Only the tests check format and lint, and run the program under the window managers of Xfce, GNOME
# and KDE, icewm and fluxbox, and under weston on Wayland (through Qt's Wayland platform).
check_packages=(clang-format clang-tidy xfwm4 mutter kwin-x11 icewm fluxbox weston qt6-wayland)

# Installs those of the given packages (by default the required ones) that are missing, in one go.
install_missing_packages() {
    local missing=() package
    [ $# -gt 0 ] || set -- "${required_packages[@]}"
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
    done
    if [ ${#missing[@]} -eq 0 ]; then
        say "All required Debian packages are installed."
        return
    fi
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        # Debian's sudoers lets the group sudo in. sudo itself is not asked: a refused user's attempt is
        # reported to the administrator, and a password prompt would come before the refusal.
        if ! command -v sudo >/dev/null || [[ " $(id -nG) " != *" sudo "* ]]; then
            echo "These Debian packages are missing: ${missing[*]}" >&2
            echo "Installing them takes root. Ask an administrator to run, as root:" >&2
            echo "    apt-get update && apt-get install --no-install-recommends ${missing[*]}" >&2
            echo "then run this again. (If you may use sudo, run that command with sudo in front.)" >&2
            exit 1
        fi
        sudo=(sudo)
    fi
    say "Installing missing Debian packages: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    # Through env, as sudo drops the caller's environment.
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build() {
    say "Configuring (build/default)"
    cmake --preset default -S "$repo" >/dev/null
    say "Building with 2 jobs"
    cmake --build "$repo/build/default" -j2
}

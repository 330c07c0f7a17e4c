# Installs the Debian packages named as arguments when any is missing.
# Sourced by ./run, ./test, fuzz/run and bench/run.
tosk_install_packages() {
    local missing=()
    local p
    for p in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$p")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local SUDO=
    if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
    echo "Installing: ${missing[*]}"
    $SUDO apt-get update -qq || return 1
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" || return 1
}

# What every build needs. qt6-image-formats-plugins writes the TIFF files
# of the screen window; libqt6sql6-sqlite keeps the patch library's index;
# help2man makes the manual pages from the programs' --help; libasound2-dev
# lists the MIDI interfaces the unit can be reached through.
TOSK_BUILD_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-svg-dev libqt6svg6
    qt6-image-formats-plugins libqt6sql6-sqlite nlohmann-json3-dev libgtest-dev libgmock-dev fonts-dejavu-core help2man
    libasound2-dev)

# What ./test adds: the desktop's checkers of the menu entry and the
# AppStream data, the MIME database the file type is read with, man to show
# the manual pages, lintian to check the Debian package, and git, which runs
# tosk-cli diff as the diff driver of sig files.
TOSK_TEST_PACKAGES=(desktop-file-utils appstream shared-mime-info man-db lintian git)

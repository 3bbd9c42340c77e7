#include "tools/sim_pty.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

SimPty::~SimPty() {
    close();
}

bool SimPty::open(std::string* error) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        *error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    char name[256];
    if (::ptsname_r(master_, name, sizeof name) != 0) {
        *error = std::string("cannot name the pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    path_ = name;
    heldSlave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (heldSlave_ < 0) {
        *error = std::string("cannot open ") + path_ + ": " + std::strerror(errno);
        return false;
    }
    // Raw from the start: no echo, no line editing, no CR/LF translation before the program
    // sets its own line.
    termios tio{};
    if (::tcgetattr(heldSlave_, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::cfsetspeed(&tio, B57600);
        ::tcsetattr(heldSlave_, TCSANOW, &tio);
    }
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    return true;
}

void SimPty::close() {
    if (master_ >= 0) ::close(master_);
    if (heldSlave_ >= 0) ::close(heldSlave_);
    master_ = heldSlave_ = -1;
}

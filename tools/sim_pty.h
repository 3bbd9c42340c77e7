// The simulator's pseudo-terminal: the master side is the device, the slave path is what the
// program opens as its serial port.
#pragma once

#include <string>

class SimPty {
  public:
    SimPty() = default;
    ~SimPty();
    SimPty(const SimPty&) = delete;
    SimPty& operator=(const SimPty&) = delete;

    // Opens the pair in raw mode. Returns false with the reason in *error.
    bool open(std::string* error);
    // Closes both sides: the program sees a hang-up, and the path disappears.
    void close();

    int master() const { return master_; }
    const std::string& path() const { return path_; }

  private:
    int master_ = -1;
    // The simulator keeps the slave open itself, so that the master keeps working while no
    // program (or a program between a close and a reopen) has the port open.
    int heldSlave_ = -1;
    std::string path_;
};

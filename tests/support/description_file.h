// A virtual device description held in an unlinked temporary file, open for reading, as the
// Java layer would hand a descriptor over. Closed with the object.
#pragma once

#include <string>

class DescriptionFile {
  public:
    explicit DescriptionFile(const std::string &text);
    ~DescriptionFile();
    DescriptionFile(const DescriptionFile &) = delete;
    DescriptionFile &operator=(const DescriptionFile &) = delete;
    int fd() const { return fd_; }

  private:
    int fd_ = -1;
};

#include "helper/record.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace helper {

namespace {

bool WriteFully(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool IsValidField(const std::string& s) {
  if (s.empty())
    return false;
  for (char c : s) {
    if (c == ' ' || c == '\n' || c == '\0')
      return false;
  }
  return true;
}

}  // namespace

Record::Record(std::filesystem::path folder) : folder_(std::move(folder)) {}

bool Record::Open() {
  if (::mkdir(folder_.c_str(), 0700) != 0 && errno != EEXIST) {
    error_ = "mkdir " + folder_.string() + ": " + std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (::lstat(folder_.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    error_ = folder_.string() + " is not a folder";
    return false;
  }
  if (st.st_uid != ::geteuid()) {
    error_ = folder_.string() + " belongs to someone else";
    return false;
  }
  if ((st.st_mode & 07777) != 0700 && ::chmod(folder_.c_str(), 0700) != 0) {
    error_ = "chmod " + folder_.string() + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

std::vector<RecordEntry> Record::Entries() const {
  std::vector<RecordEntry> entries;
  std::ifstream in(file());
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t space = line.find(' ');
    if (space == std::string::npos)
      continue;
    RecordEntry e{line.substr(0, space), line.substr(space + 1)};
    if (IsValidField(e.kind) && IsValidField(e.value))
      entries.push_back(std::move(e));
  }
  return entries;
}

bool Record::Add(const RecordEntry& entry) {
  if (!IsValidField(entry.kind) || !IsValidField(entry.value)) {
    error_ = "malformed record entry";
    return false;
  }
  const int fd =
      ::open(file().c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    error_ = "open " + file().string() + ": " + std::strerror(errno);
    return false;
  }
  const bool ok = WriteFully(fd, entry.kind + " " + entry.value + "\n") && ::fsync(fd) == 0;
  if (!ok)
    error_ = "write " + file().string() + ": " + std::strerror(errno);
  ::close(fd);
  return ok;
}

bool Record::Remove(const RecordEntry& entry) {
  std::vector<RecordEntry> entries = Entries();
  for (auto it = entries.begin(); it != entries.end(); ++it) {
    if (*it == entry) {
      entries.erase(it);
      return WriteAll(entries);
    }
  }
  return true;
}

void Record::Clear() {
  ::unlink(file().c_str());
}

bool Record::WriteAll(const std::vector<RecordEntry>& entries) {
  if (entries.empty()) {
    Clear();
    return true;
  }
  std::string text;
  for (const RecordEntry& e : entries)
    text += e.kind + " " + e.value + "\n";
  const std::filesystem::path tmp = folder_ / "record.new";
  const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    error_ = "open " + tmp.string() + ": " + std::strerror(errno);
    return false;
  }
  const bool ok = WriteFully(fd, text) && ::fsync(fd) == 0;
  ::close(fd);
  if (!ok || ::rename(tmp.c_str(), file().c_str()) != 0) {
    error_ = "replace " + file().string() + ": " + std::strerror(errno);
    ::unlink(tmp.c_str());
    return false;
  }
  return true;
}

}  // namespace helper

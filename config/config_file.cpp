#include "config/config_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <new>
#include <system_error>
#include <thread>

namespace config {
namespace {

// How long a reader waits for a store to finish before it reads whatever is there.
constexpr auto kReaderPatience = std::chrono::seconds(2);
constexpr auto kReaderPoll = std::chrono::milliseconds(2);

// Reads until |size| bytes arrived or the file ends. -1 on an error.
ssize_t PreadAll(int fd, std::uint8_t* data, std::size_t size, off_t offset) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd, data + done, size - done, offset + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      return -1;
    if (n == 0)
      break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

bool PwriteAll(int fd, const std::uint8_t* data, std::size_t size, off_t offset) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pwrite(fd, data + done, size - done, offset + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

struct flock WholeFile(short type) {
  struct flock lock;
  std::memset(&lock, 0, sizeof(lock));
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  return lock;
}

}  // namespace

CConfigFile::CConfigFile(std::filesystem::path path, CFlushRule* flush_rule, Access access)
    : path_(std::move(path)), flush_rule_(flush_rule), access_(access) {}

CConfigFile::~CConfigFile() {
  Close();
}

bool CConfigFile::Open() {
  if (fd_ >= 0)
    return true;
  const int flags = access_ == Access::kStore ? O_RDWR | O_CREAT | O_CLOEXEC : O_RDONLY | O_CLOEXEC;
  // The file holds the hotspot's key: private to the user from its first byte.
  const int fd = ::open(path_.c_str(), flags, 0600);
  if (fd < 0) {
    last_error_ = errno;
    return false;
  }
  if (access_ == Access::kStore) {
    struct flock lock = WholeFile(F_WRLCK);
    if (::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
      last_error_ = (errno == EACCES || errno == EAGAIN) ? EWOULDBLOCK : errno;
      ::close(fd);
      return false;
    }
  }
  fd_ = fd;
  last_error_ = 0;
  return true;
}

void CConfigFile::Close() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

bool CConfigFile::StoreIsWriting() const {
  struct flock lock = WholeFile(F_RDLCK);
  return ::fcntl(fd_, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

LoadStatus CConfigFile::ReadOnce(ByteBuffer* container) {
  container->clear();
  struct stat st;
  if (::fstat(fd_, &st) != 0) {
    last_error_ = errno;
    return LoadStatus::kUnavailable;
  }
  if (st.st_size == 0)
    return LoadStatus::kEmpty;

  std::uint8_t head[kHeaderSize] = {};
  const ssize_t head_size = PreadAll(fd_, head, kHeaderSize, 0);
  if (head_size < 0) {
    last_error_ = errno;
    return LoadStatus::kUnavailable;
  }
  if (head_size == 0)
    return LoadStatus::kEmpty;
  const ContainerHeader header = ParseHeader({head, static_cast<std::size_t>(head_size)});
  if (LoadStatus status = CheckHeader(header); status != LoadStatus::kOk)
    return status;
  // Refuse a payload length the file does not hold before allocating anything for it.
  const std::uint64_t image_size = kHeaderSize + std::uint64_t{header.payload_length};
  if (static_cast<std::uint64_t>(st.st_size) < image_size)
    return LoadStatus::kShortPayload;

  ByteBuffer image;
  try {
    image.resize(static_cast<std::size_t>(image_size));
  } catch (const std::bad_alloc&) {
    return LoadStatus::kUnavailable;
  }
  std::memcpy(image.data(), head, kHeaderSize);
  const ssize_t got = PreadAll(fd_, image.data() + kHeaderSize, header.payload_length,
                               static_cast<off_t>(kHeaderSize));
  if (got < 0) {
    last_error_ = errno;
    return LoadStatus::kUnavailable;
  }
  image.resize(kHeaderSize + static_cast<std::size_t>(got));
  return DecodeContainerImage(image, container);
}

LoadStatus CConfigFile::LoadContainer(ByteBuffer* container) {
  container->clear();
  if (!Open()) {
    return access_ == Access::kRead && last_error_ == ENOENT ? LoadStatus::kMissing
                                                             : LoadStatus::kUnavailable;
  }
  if (access_ == Access::kStore)
    return ReadOnce(container);

  const auto deadline = std::chrono::steady_clock::now() + kReaderPatience;
  for (;;) {
    while (StoreIsWriting() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(kReaderPoll);
    const LoadStatus status = ReadOnce(container);
    const bool maybe_torn = IsDamaged(status) || status == LoadStatus::kEmpty;
    if (!maybe_torn || !StoreIsWriting() || std::chrono::steady_clock::now() >= deadline)
      return status;
  }
}

SaveStatus CConfigFile::SaveContainer(std::span<const std::uint8_t> container) {
  ByteBuffer image;
  if (!EncodeContainerImage(container, &image))
    return SaveStatus::kNotEncoded;
  if (access_ != Access::kStore || !Open())
    return SaveStatus::kNotOpened;
  if (!PwriteAll(fd_, image.data(), image.size(), 0) ||
      ::ftruncate(fd_, static_cast<off_t>(image.size())) != 0) {
    last_error_ = errno;
    return SaveStatus::kWriteFailed;
  }
  if (flush_rule_->OnSave() && ::fsync(fd_) != 0) {
    last_error_ = errno;
    return SaveStatus::kWriteFailed;
  }
  return SaveStatus::kWritten;
}

std::filesystem::path CConfigFile::BackupPath() const {
  std::filesystem::path backup = path_;
  backup += ".bad";
  return backup;
}

bool CConfigFile::BackUp() const {
  std::error_code error;
  const std::filesystem::path backup = BackupPath();
  std::filesystem::copy_file(path_, backup, std::filesystem::copy_options::overwrite_existing,
                             error);
  if (error)
    return false;
  // The original is about to be overwritten: the copy must reach the disk first.
  const int fd = ::open(backup.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return false;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

}  // namespace config

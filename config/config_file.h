// The settings file on disk: opening it with the sharing rule, and LoadContainer/SaveContainer.
//
// Sharing: while a store has the file open, other processes may read it but no second store
// may open it. On Linux a store opens the file read-write (creating it when missing) and takes
// a non-blocking open-file-description (OFD) write lock over the whole file; if another
// description holds it, in this process or another, the open fails with EWOULDBLOCK, as a
// share-mode conflict would. The lock belongs to the open file description, so it ends with Close()
// or with the process, and a crash never leaves it behind. Readers (Access::kRead) open read-only,
// never create the file and never take the lock, so they cannot make a store fail. They only
// test for it (F_OFD_GETLK): while a store holds it they wait, so that they do not read a
// half-written file, and they read again if the bytes they got turn out damaged while a store
// was at work.
//
// Thread affinity: not thread-safe. One store operation uses it at a time, under the store
// lock; the file stays open from the first load or save until Close().
// Failure: reported through LoadStatus / SaveStatus and errno-style codes; nothing throws.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "config/byte_buffer.h"
#include "config/container_codec.h"
#include "config/flush_rule.h"

namespace config {

enum class SaveStatus {
  kWritten,
  kNotOpened,    // open failed (another store holds the file, no permission, ...)
  kNotEncoded,   // the container could not be compressed or is too long
  kWriteFailed,  // a write, truncation or flush failed; the file may now be damaged
};

class CConfigFile {
 public:
  enum class Access { kStore, kRead };

  // |flush_rule| is not owned and must outlive this object.
  CConfigFile(std::filesystem::path path, CFlushRule* flush_rule, Access access = Access::kStore);
  CConfigFile(const CConfigFile&) = delete;
  CConfigFile& operator=(const CConfigFile&) = delete;
  ~CConfigFile();

  // Opens the file as |access| says. A no-op when it is open already.
  bool Open();
  bool is_open() const { return fd_ >= 0; }
  void Close();

  // Opens the file when needed and reads the container. kMissing only for Access::kRead.
  LoadStatus LoadContainer(ByteBuffer* container);

  // Opens the file when needed (Access::kStore only) and replaces its content with
  // |container|, then applies the flush rule.
  SaveStatus SaveContainer(std::span<const std::uint8_t> container);

  // Copies the file as it is now to BackupPath(), durably, replacing an older copy.
  bool BackUp() const;
  std::filesystem::path BackupPath() const;

  const std::filesystem::path& path() const { return path_; }
  // errno of the last failed open or read, 0 when none failed.
  int last_error() const { return last_error_; }

 private:
  LoadStatus ReadOnce(ByteBuffer* container);
  bool StoreIsWriting() const;

  const std::filesystem::path path_;
  CFlushRule* const flush_rule_;
  const Access access_;
  int fd_ = -1;
  int last_error_ = 0;
};

}  // namespace config

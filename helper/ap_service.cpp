#include "helper/ap_service.h"

#include <dirent.h>
#include <net/if.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "helper/ap/hostapd_config.h"

namespace helper {

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kKind[] = "hostapd";
constexpr char kConfigName[] = "hostapd.conf";
constexpr char kCtrlName[] = "hostapd";
// "error failed " and the newline around the reason.
constexpr std::size_t kReasonLimit = kMaxLineBytes - 1 - 13;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string ToHex(const std::vector<std::uint8_t>& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (std::uint8_t b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 0xf];
  }
  return out;
}

// Whether one of the process's arguments (not its program) is `config`.
bool NamesConfig(const std::string& cmdline, const std::string& config) {
  std::size_t start = cmdline.find('\0');
  while (start != std::string::npos && start + 1 < cmdline.size()) {
    const std::size_t end = cmdline.find('\0', start + 1);
    if (cmdline.compare(start + 1, end == std::string::npos ? std::string::npos : end - start - 1,
                        config) == 0)
      return true;
    start = end;
  }
  return false;
}

// Never waits for a child: the only hostapd that is our child belongs to AccessPoint, whose
// reader thread reaps it. A zombie counts as gone.
bool Gone(pid_t pid) {
  const std::string stat = ReadAll("/proc/" + std::to_string(pid) + "/stat");
  const std::size_t paren = stat.rfind(')');
  return stat.empty() ||
         (paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] == 'Z');
}

bool WaitGone(pid_t pid, std::chrono::milliseconds bound) {
  const auto deadline = Clock::now() + bound;
  while (!Gone(pid)) {
    if (Clock::now() > deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// Ends `pid` only if it runs on `config`; true when no such process is left.
bool EndIfOurs(pid_t pid, const std::string& config) {
  if (pid <= 1 || pid == ::getpid())
    return true;
  if (!NamesConfig(ReadAll("/proc/" + std::to_string(pid) + "/cmdline"), config))
    return true;
  ::kill(pid, SIGTERM);
  if (WaitGone(pid, std::chrono::milliseconds(3000)))
    return true;
  ::kill(pid, SIGKILL);
  return WaitGone(pid, std::chrono::milliseconds(1000));
}

// Every process running on `config`: for a helper that died before it knew hostapd's pid.
std::vector<pid_t> ProcessesOn(const std::string& config) {
  std::vector<pid_t> found;
  DIR* proc = ::opendir("/proc");
  if (!proc)
    return found;
  while (const dirent* e = ::readdir(proc)) {
    char* end = nullptr;
    const long pid = std::strtol(e->d_name, &end, 10);
    if (pid > 1 && *end == '\0' &&
        NamesConfig(ReadAll(std::string("/proc/") + e->d_name + "/cmdline"), config))
      found.push_back(static_cast<pid_t>(pid));
  }
  ::closedir(proc);
  return found;
}

std::size_t Utf8Length(const std::string& s, std::size_t i) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  std::size_t n = 0;
  unsigned char lo = 0x80, hi = 0xbf;  // bounds of the second byte
  if (c >= 0xc2 && c <= 0xdf)
    n = 2;
  else if (c >= 0xe0 && c <= 0xef) {
    n = 3;
    lo = c == 0xe0 ? 0xa0 : 0x80;
    hi = c == 0xed ? 0x9f : 0xbf;
  } else if (c >= 0xf0 && c <= 0xf4) {
    n = 4;
    lo = c == 0xf0 ? 0x90 : 0x80;
    hi = c == 0xf4 ? 0x8f : 0xbf;
  }
  if (n == 0 || i + n > s.size() || b(i + 1) < lo || b(i + 1) > hi)
    return 0;
  for (std::size_t k = 2; k < n; ++k) {
    if (b(i + k) < 0x80 || b(i + k) > 0xbf)
      return 0;
  }
  return n;
}

std::string CleanLine(const std::string& line) {
  std::string out;
  for (std::size_t i = 0; i < line.size();) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    if (c < 0x80) {
      out += (c < 0x20 || c == 0x7f) ? ' ' : static_cast<char>(c);
      ++i;
    } else if (const std::size_t n = Utf8Length(line, i)) {
      out.append(line, i, n);
      i += n;
    } else {
      out += '?';
      ++i;
    }
  }
  return out;
}

}  // namespace

std::string OneAnswerLine(const std::string& why, std::size_t limit) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t nl = why.find('\n', start);
    std::string line = CleanLine(why.substr(start, nl == std::string::npos ? nl : nl - start));
    if (!line.empty())
      lines.push_back(std::move(line));
    if (nl == std::string::npos)
      break;
    start = nl + 1;
  }
  auto join = [&] {
    std::string out;
    for (const std::string& l : lines)
      out += (out.empty() ? "" : "; ") + l;
    return out;
  };
  std::string out = join();
  // The first line says what happened; the newest output says why.
  while (out.size() > limit && lines.size() > 2) {
    lines.erase(lines.begin() + 1);
    out = join();
  }
  if (out.size() > limit) {
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xc0) == 0x80)
      --cut;
    out.resize(cut);
  }
  return out;
}

ApService::ApService(Record* record, std::string program)
    : record_(record), program_(std::move(program)) {}

ApService::~ApService() {
  if (running_)
    running_->Stop();
}

std::string ApService::Start(const ApRequest& request) {
  if (running_ && running_->Running())
    return "error busy an access point is already running";
  if (running_ && !UndoAll())  // it ended by itself; clear what it left
    return "error failed could not clear the earlier access point: " + record_->file().string();
  if (if_nametoindex(request.ifname.c_str()) == 0)
    return "error no-such-interface " + request.ifname;

  ap::HostapdSettings settings;
  settings.interface = request.ifname;
  settings.ssid.assign(request.ssid.begin(), request.ssid.end());
  settings.passphrase = request.passphrase;
  if (!request.psk.empty())
    settings.psk_hex = ToHex(request.psk);
  settings.ctrl_folder = (record_->folder() / kCtrlName).string();
  std::string why;
  const std::optional<std::string> text = ap::BuildHostapdConfig(settings, &why);
  if (!text)
    return "error failed " + OneAnswerLine(why, kReasonLimit);

  const std::string config = config_path().string();
  const RecordEntry pending{kKind, "0:" + config};
  auto fail = [&](const std::string& reason) {
    UndoAll();
    return "error failed " + OneAnswerLine(reason, kReasonLimit);
  };
  if (!record_->Add(pending))
    return fail(record_->error());
  if (!ap::WriteHostapdConfig(record_->folder().string(), kConfigName, *text, &why))
    return fail(why);
  ::mkdir(settings.ctrl_folder.c_str(), 0700);

  ap::AccessPoint::Options options;
  options.program = program_;
  options.on_spawn = [this, pending, config](pid_t pid) {
    // Until this is written the marker stands in for it: undo then looks for the process.
    if (record_->Add({kKind, std::to_string(pid) + ":" + config}))
      record_->Remove(pending);
  };
  running_ = std::make_unique<ap::AccessPoint>(std::move(options));
  if (!running_->Start(config, &why))
    return fail(why);
  return "ok";
}

std::string ApService::Stop() {
  if (!UndoAll())
    return "error failed could not stop the access point: " + record_->file().string();
  return "ok";
}

bool ApService::Undo(const RecordEntry& e) {
  const std::size_t colon = e.value.find(':');
  if (colon == std::string::npos)
    return true;  // malformed: nothing we could end
  const std::string config = e.value.substr(colon + 1);
  char* end = nullptr;
  const long pid = std::strtol(e.value.c_str(), &end, 10);
  if (end != e.value.c_str() + colon || pid < 0)
    return true;
  bool all = true;
  if (pid == 0) {
    for (pid_t p : ProcessesOn(config))
      all = EndIfOurs(p, config) && all;
  } else {
    all = EndIfOurs(static_cast<pid_t>(pid), config);
  }
  // Only files of our own folder are ours to remove.
  const std::filesystem::path path(config);
  if (all && path.parent_path() == record_->folder()) {
    ::unlink(path.c_str());
    ::rmdir((record_->folder() / kCtrlName).c_str());
  }
  return all;
}

bool ApService::Owns(const RecordEntry& e) {
  return e.kind == kKind;
}

bool ApService::UndoAll() {
  if (running_) {
    running_->Stop();
    running_.reset();
  }
  const std::vector<RecordEntry> entries = record_->Entries();
  bool all = true;
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    if (!Owns(*it))
      continue;  // sharing undoes its own changes
    if (Undo(*it))
      record_->Remove(*it);
    else
      all = false;
  }
  return all;
}

}  // namespace helper

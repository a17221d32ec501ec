#include "app/start_failure.h"

#include <cerrno>
#include <cstring>

namespace app {

namespace {

std::string Headline(StartFailure what) {
  switch (what) {
    case StartFailure::kRuntimeFolder:
      return "Tavlo 无法启动：没有只属于本用户的运行文件夹。";
    case StartFailure::kInstanceLock:
      return "Tavlo 无法启动：无法建立单实例锁。";
    case StartFailure::kStateFolder:
      return "Tavlo 无法启动：模拟系统的状态文件夹不可用。";
    case StartFailure::kInstanceChannel:
      return "Tavlo 无法启动：无法建立实例之间的通信通道。";
    case StartFailure::kSkinMissing:
      return "Tavlo 无法启动：找不到界面文件 skin.zip。";
  }
  return "Tavlo 无法启动。";
}

std::string SystemReason(int error_number) {
  switch (error_number) {
    case EACCES:
    case EPERM:
      return "没有访问权限";
    case ENOENT:
      return "路径不存在";
    case ENOSPC:
      return "磁盘空间不足";
    case EROFS:
      return "文件系统是只读的";
    case ENAMETOOLONG:
      return "路径太长";
    case ELOOP:
      return "是符号链接";
    case EADDRINUSE:
      return "已被另一个程序占用";
    default:
      return "系统错误 " + std::to_string(error_number) + "（" + std::strerror(error_number) + "）";
  }
}

std::string Reason(const base::FolderProblem& problem) {
  const std::string where = "“" + problem.path + "”";
  switch (problem.kind) {
    case base::FolderProblem::kNone:
      return where + "可用。";
    case base::FolderProblem::kMissing:
      return where + "不存在。";
    case base::FolderProblem::kNotAFolder:
      return where + "不是文件夹。";
    case base::FolderProblem::kNotAFile:
      return where + "不是普通文件。";
    case base::FolderProblem::kForeignOwner:
      return where + "属于另一个用户。";
    case base::FolderProblem::kOpenToOthers:
      return where + "对其他用户开放，权限应为 0700。";
    case base::FolderProblem::kSystemError:
      return where + "：" + SystemReason(problem.error_number) + "。";
  }
  return where;
}

}  // namespace

std::string StartFailureText(StartFailure what, const base::FolderProblem& problem) {
  return Headline(what) + "\n\n" + Reason(problem);
}

}  // namespace app

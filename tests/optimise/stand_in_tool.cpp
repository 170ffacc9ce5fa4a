#include "stand_in_tool.h"

#include <fcntl.h>
#include <sys/auxv.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <string>
#include <vector>

#include "platform/store/folders.h"
#include "support/test_env.h"

namespace {

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Runs before anything else in the process (glibc hands constructors the argument vector): only
// plain C calls here. Started under another file name than its own (a link in a stand-in
// folder), the executable plays that tool: it appends its arguments to the folder's log and runs
// the folder's script, if any.
__attribute__((constructor(101))) void RunAsStandInTool(int argc, char** argv, char**) {
  const char* started = reinterpret_cast<const char*>(::getauxval(AT_EXECFN));
  char self[4096];
  const ssize_t selfLength = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (!started || selfLength <= 0) return;
  self[selfLength] = '\0';
  const std::string startedPath(started);
  if (BaseName(startedPath) == BaseName(self)) return;
  const size_t slash = startedPath.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : startedPath.substr(0, slash);

  std::string record;
  for (int i = 0; i < argc; ++i) record += std::string(i ? "\x1f" : "") + argv[i];
  record += '\n';
  const std::string log = folder + "/invocations.log";
  const int out = ::open(log.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (out < 0 ||
      ::write(out, record.data(), record.size()) != static_cast<ssize_t>(record.size())) {
    ::_exit(121);
  }
  ::close(out);
  std::string script = folder + "/script.sh";
  if (::access(script.c_str(), R_OK) != 0) ::_exit(0);
  std::vector<char*> shell{const_cast<char*>("sh"), script.data()};
  shell.insert(shell.end(), argv + 1, argv + argc);
  shell.push_back(nullptr);
  ::execv("/bin/sh", shell.data());
  ::_exit(122);
}

}  // namespace

namespace glimbrik::test {

StandInTools::StandInTools()
    : folder_(MakeTempFolder(QStringLiteral("tools"))),
      log_(folder_ + "/invocations.log"),
      oldPath_(qgetenv("PATH")) {
  qputenv("PATH", QFile::encodeName(folder_) + ':' + oldPath_);
}

StandInTools::~StandInTools() { qputenv("PATH", oldPath_); }

void StandInTools::install(const QStringList& executables) {
  for (const QString& name : executables)
    QFile::link(QCoreApplication::applicationFilePath(), folder_ + QLatin1Char('/') + name);
}

void StandInTools::setScript(const QString& body) {
  const QString path = folder_ + "/script.sh";
  QFile file(path);
  if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(body.toUtf8());
}

QList<QStringList> StandInTools::invocations() const {
  QList<QStringList> result;
  QFile file(log_);
  if (!file.open(QIODevice::ReadOnly)) return result;
  for (const QByteArray& line : file.readAll().split('\n')) {
    if (!line.isEmpty()) result.append(QString::fromUtf8(line).split(QChar(0x1f)));
  }
  return result;
}

QStringList WithPlaceholders(QStringList arguments, const QString& picture) {
  const QString temp = PrivateTempFolder() + QStringLiteral("/Glimbrik.");
  for (QString& argument : arguments) {
    if (argument == picture) argument = QStringLiteral("<in>");
    if (argument.startsWith(temp)) argument = QStringLiteral("<temp>");
  }
  return arguments;
}

}  // namespace glimbrik::test

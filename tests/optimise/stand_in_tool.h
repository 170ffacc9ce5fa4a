#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace glimbrik::test {

// Puts stand-ins for tools first on PATH for the life of the object. A stand-in is a link to
// this test executable under the tool's name: started that way it records its whole argument
// vector (argv[0] included) and then runs the script given to setScript() with argv[1..], or
// exits 0.
class StandInTools {
 public:
  StandInTools();
  ~StandInTools();
  StandInTools(const StandInTools&) = delete;
  StandInTools& operator=(const StandInTools&) = delete;

  void install(const QStringList& executables);
  // A /bin/sh script body; "$@" holds the tool's arguments after argv[0].
  void setScript(const QString& body);
  // Every recorded argument vector, oldest first.
  QList<QStringList> invocations() const;

 private:
  QString folder_;
  QString log_;
  QByteArray oldPath_;
};

// The vector with `picture` as "<in>" and the agents' private temporary files as "<temp>".
QStringList WithPlaceholders(QStringList arguments, const QString& picture);

}  // namespace glimbrik::test

#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace tesselvane {

// Runs one tesselvane-reg command (the arguments after the program name) on the store at
// `storePath`, reading answers to questions from `in`. Returns the exit status: 0 on success,
// 1 on failure.
int runRegCommand(const QStringList& arguments, const QString& storePath, QTextStream& in,
                  QTextStream& out, QTextStream& err);

}  // namespace tesselvane

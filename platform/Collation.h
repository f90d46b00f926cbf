#pragma once

#include <QString>
#include <QStringList>

namespace tesselvane {

// Text comparison in the user's locale, ignoring letter case: the order people expect in
// lists of names and file paths.
int compareIgnoringCase(const QString& a, const QString& b);

// Sorts ascending by compareIgnoringCase. Texts that compare equal are ordered by their
// code points, so the result does not depend on the input order.
void sortIgnoringCase(QStringList& texts);

}  // namespace tesselvane

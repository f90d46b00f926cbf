#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace tesselvane {

// Text comparison in the user's locale, ignoring letter case: the order people expect in
// lists of names and file paths.
int compareIgnoringCase(const QString& a, const QString& b);

// Sorts ascending by compareIgnoringCase. Texts that compare equal are ordered by their
// code points, so the result does not depend on the input order.
// When every text begins with the same `sharedPrefixLength` characters (paths below one
// folder, the prefix ending with the separator), only the rest is collated: a shared
// prefix cannot decide the order, and collating it is most of the work.
void sortIgnoringCase(QStringList& texts, qsizetype sharedPrefixLength = 0);

class FileTree;

// The positions of `paths` in the order sortIgnoringCase gives to their texts, each prefixed
// with the same folder. Paths that compare equal are ordered by their bytes.
std::vector<std::uint32_t> orderIgnoringCase(const FileTree& paths);
// orderIgnoringCase(paths)[n], found without sorting the rest: what one pick from a long
// list costs. `n` must be a position of `paths`.
std::uint32_t nthIgnoringCase(const FileTree& paths, qsizetype n);

}  // namespace tesselvane

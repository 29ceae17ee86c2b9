// destination_name.h - the destination name proposed for a source name.
#pragma once

#include <QString>

/// "New" before the source's extension (family.ged gives familyNew.ged), or appended when the
/// file name has none. Only a "." in the file name itself counts, not one in a folder name, and
/// a leading "." of a hidden file is no extension.
QString ProposeDestinationName(const QString& sourceName);

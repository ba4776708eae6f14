#pragma once

#include <QString>

// The texts with which ADO reports misuse of its objects; the program keeps
// them so that users see the messages they know.
namespace db::adoMessage {

inline const QString objectClosed = QStringLiteral("Operation is not allowed when the object is closed.");
inline const QString objectOpen = QStringLiteral("Operation is not allowed when the object is open.");
inline const QString noCurrentRecord = QStringLiteral(
    "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a current "
    "record.");
inline const QString itemNotFound = QStringLiteral(
    "Item cannot be found in the collection corresponding to the requested name or ordinal.");

} // namespace db::adoMessage

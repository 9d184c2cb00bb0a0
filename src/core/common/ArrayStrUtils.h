#pragma once

#include <QString>
#include <QStringList>

// A zero-based array of strings that owns copies of them.
using TDynStringArray = QStringList;

// Cuts Text into the pieces between occurrences of Delimiter (exact,
// case-sensitive). A trailing delimiter gives a trailing empty piece; with
// MaxCount > 0 the last allowed piece takes the rest of the text. An empty
// text or a negative MaxCount gives no pieces; an empty delimiter gives the
// whole text. The scan stops at the first NUL character.
TDynStringArray Split(const QString& Delimiter, const QString& Text, int MaxCount);

#pragma once

#include <QString>

class QLineEdit;

namespace app {

// Adds to the usual context menu of a path box one entry for the data link
// file it names: "Editar ligação…", or "Nova ligação…" while it names no file.
void offerLinkEditing(QLineEdit* box, const QString& suggestedName);

// What the entry does. A new link is first given a name in a save dialog,
// starting from suggestedName; once the editor has saved it, the box names it.
void editLinkOf(QLineEdit* box, const QString& suggestedName);

}  // namespace app

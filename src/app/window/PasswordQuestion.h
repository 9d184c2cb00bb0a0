#pragma once

#include "core/links/LinkFiles.h"

#include <QString>

class QWidget;

namespace app {

// Asks, one after the other, for each password the run needs and the link
// files do not keep, and puts it into the links for this run only. False
// when the user cancels one: the run is not to start.
bool askMissingPasswords(QWidget* parent, core::LinkFiles& links, const QString& sourcePath,
                         const QString& destinationPath);

}  // namespace app

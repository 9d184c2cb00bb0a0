#pragma once

#include "db/Connection.h"

#include <memory>

namespace app {

// The connection the window gives its worker when nothing else is supplied.
std::unique_ptr<db::Connection> createConnection();

}  // namespace app

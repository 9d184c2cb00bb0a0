#pragma once

#include <QDateTime>
#include <functional>

namespace core {

// The local date and time, replaceable so a run can be replayed at a known time.
using Clock = std::function<QDateTime()>;

inline QDateTime systemNow()
{
    return QDateTime::currentDateTime();
}

}  // namespace core

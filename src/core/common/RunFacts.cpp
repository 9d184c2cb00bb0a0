#include "core/common/RunFacts.h"

namespace core {

QString encryptedWord(Encrypted encrypted)
{
    switch (encrypted) {
    case Encrypted::Yes:
        return QStringLiteral("sim");
    case Encrypted::No:
        return QStringLiteral("não");
    case Encrypted::Unknown:
        break;
    }
    return QStringLiteral("desconhecido");
}

}  // namespace core

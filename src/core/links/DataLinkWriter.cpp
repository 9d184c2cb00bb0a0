#include "core/links/DataLinkWriter.h"

#include "core/links/DataLinkFile.h"

#include <QSaveFile>
#include <QStringEncoder>

#ifdef _WIN32
#include <io.h>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#endif

namespace core {

namespace {

// Before the password goes in. A file system without owners (a FAT memory
// stick) refuses, and the file is still written there.
void makeReadableByOwnerOnly(QSaveFile& file)
{
#ifdef _WIN32
    // The permission bits only toggle the read-only attribute here: the
    // access list says who reads. The owner, and the accounts that run and
    // administer the machine, as for the files in a user's own profile; none
    // of the folder's grants are inherited. The temporary file keeps it when
    // it is renamed over the old one.
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;FA;;;OW)(A;;FA;;;SY)(A;;FA;;;BA)",
                                                              SDDL_REVISION_1, &descriptor, nullptr))
        return;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    const HANDLE written = reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()));
    if (GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) && written != INVALID_HANDLE_VALUE) {
        // The handle the file was opened with may not change its access list; one to the same file may.
        const HANDLE access = ReOpenFile(written, READ_CONTROL | WRITE_DAC,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0);
        if (access != INVALID_HANDLE_VALUE) {
            SetSecurityInfo(access, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                            nullptr, nullptr, dacl, nullptr);
            CloseHandle(access);
        }
    }
    LocalFree(descriptor);
#else
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
#endif
}

}  // namespace

QByteArray dataLinkFileBytes(const QString& initString, const QString& keptText)
{
    QStringEncoder encoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    return encoder(withInitString(keptText, initString));
}

bool writeDataLinkFile(const QString& path, const QString& initString, const QString& keptText, QString* error)
{
    QSaveFile file(path);
    bool written = false;
    if (file.open(QIODevice::WriteOnly)) {
        makeReadableByOwnerOnly(file);
        file.write(dataLinkFileBytes(initString, keptText));
        written = file.commit();
    }
    if (!written && error)
        *error = QStringLiteral("Não foi possível guardar o ficheiro de ligação %1: %2").arg(path, file.errorString());
    return written;
}

}  // namespace core

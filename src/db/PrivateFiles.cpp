#include "db/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#ifdef _WIN32
#include <io.h>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#endif

namespace db {

namespace {

#ifdef _WIN32
constexpr SECURITY_INFORMATION kOwnerOnly = DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION;

// The permission bits only toggle the read-only attribute here: the access
// list says who reads. A folder hands the same entries down to what is made
// in it, so a file is private from the moment it exists.
template <typename Apply>
void withOwnerOnlyList(bool folder, Apply apply)
{
    const wchar_t* const entries = folder ? L"D:P(A;OICI;FA;;;OW)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"
                                          : L"D:P(A;;FA;;;OW)(A;;FA;;;SY)(A;;FA;;;BA)";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(entries, SDDL_REVISION_1, &descriptor, nullptr))
        return;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL list = nullptr;
    if (GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted))
        apply(list);
    LocalFree(descriptor);
}
#endif

}  // namespace

bool makePrivateFolder(const QString& path)
{
    if (!QDir().mkpath(path))
        return false;
#ifdef _WIN32
    std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    withOwnerOnlyList(true, [&](PACL list) {
        SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, kOwnerOnly, nullptr, nullptr, list, nullptr);
    });
#else
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
#endif
    return true;
}

void makePrivate(QFileDevice& file)
{
#ifdef _WIN32
    const HANDLE written = reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()));
    if (written == INVALID_HANDLE_VALUE)
        return;
    // The handle the file was opened with may not change its access list; one to the same file may.
    const HANDLE access =
        ReOpenFile(written, READ_CONTROL | WRITE_DAC, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0);
    if (access == INVALID_HANDLE_VALUE)
        return;
    withOwnerOnlyList(false, [&](PACL list) {
        SetSecurityInfo(access, SE_FILE_OBJECT, kOwnerOnly, nullptr, nullptr, list, nullptr);
    });
    CloseHandle(access);
#else
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
#endif
}

bool writePrivateFile(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile file(path);
    bool written = false;
    if (file.open(QIODevice::WriteOnly)) {
        // The temporary file keeps its access list when it is renamed over the old one.
        makePrivate(file);
        // The last bytes leave the buffer in commit(), which renames the file
        // even when they found the disk full: the flush is checked first. A
        // file not committed is removed.
        written = file.write(bytes) == bytes.size() && file.flush() && file.commit();
    }
    if (!written && error)
        *error = file.errorString();
    return written;
}

}  // namespace db

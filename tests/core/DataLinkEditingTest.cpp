// What the data link editor writes, read back through the conversion's own reader.
#include "QStringPrinting.h"
#include "core/links/DataLinkFile.h"
#include "core/links/DataLinkWriter.h"
#include "core/links/Link.h"
#include "core/links/LinkSettings.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray utf16File(const QString& text)
{
    return QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

// The file Windows writes for an init string, built without the writer.
QByteArray windowsFile(const QString& init)
{
    return utf16File("[oledb]\r\n; Everything after this line is an OLE DB initstring\r\nProvider=" + init + "\r\n");
}

QByteArray windows1252(const QString& text)
{
    QByteArray bytes;
    for (const QChar c : text)
        bytes.append(c == u'€' ? '\x80' : char(c.unicode()));
    return bytes;
}

QByteArray withBom(QStringEncoder::Encoding encoding, const QString& text)
{
    return QStringEncoder(encoding, QStringEncoder::Flag::WriteBom)(text);
}

TEST(DataLinkEditing, RoundTripFromEveryEncodingKeepsTheProviderAndEveryOtherItemInOrder)
{
    // Only characters Windows-1252 has, so every encoding can hold the file.
    const QString text = "[oledb]\n; comentário\nProvider=SQLNCLI11;Auto Translate=False;Password=velha€;User ID=caixa;"
                         "Packet Size=4096;Initial Catalog=Loja Nº1;Workstation ID=CAIXA-Á;Data Source=srv\\SQLEXPRESS\n";
    const std::vector<std::pair<const char*, QByteArray>> encodings = {
        {"UTF-16 LE", withBom(QStringEncoder::Utf16LE, text)},
        {"UTF-16 BE", withBom(QStringEncoder::Utf16BE, text)},
        {"UTF-8 with mark", withBom(QStringEncoder::Utf8, text)},
        {"UTF-8", text.toUtf8()},
        {"Windows-1252", windows1252(text)},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const auto& [name, bytes] : encodings) {
        SCOPED_TRACE(name);
        const QString path = dir.filePath("link.udl");
        writeBytes(path, bytes);

        const core::DataLinkDocument document = core::loadDataLink(path);
        core::Link settings = core::settingsOf(document.items);
        EXPECT_EQ(settings.password, "velha€");
        EXPECT_EQ(settings.database, "Loja Nº1");
        EXPECT_EQ(settings.server, "srv\\SQLEXPRESS");
        EXPECT_TRUE(settings.persistPassword);  // no item says otherwise

        settings.password = "no;va\"=ção!";  // quoted as Windows quotes it
        settings.database = "Loja São João";
        settings.server = "10.0.0.5,1433";
        QString error;
        ASSERT_TRUE(core::saveDataLink(path, document, settings, &error)) << error.toStdString();

        const QString after = "SQLNCLI11;Auto Translate=False;Password=\"no;va\"\"=ção!\";User ID=caixa;Packet Size=4096;"
                              "Initial Catalog=Loja São João;Workstation ID=CAIXA-Á;Data Source=10.0.0.5,1433;"
                              "Persist Security Info=True";
        EXPECT_EQ(readBytes(path), utf16File("[oledb]\r\n; comentário\r\nProvider=" + after + "\r\n"));
        const core::Link read = core::readLink(core::readInitString(path));
        EXPECT_EQ(read.password, settings.password);
        EXPECT_EQ(read.user, "caixa");
        EXPECT_EQ(read.server, settings.server);
        EXPECT_EQ(read.database, settings.database);
    }
}

TEST(DataLinkEditing, ANewLinkIsWrittenInWindowsOrderAndAPasswordNotToBeKeptIsLeftOut)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("nova.udl");
    core::Link settings{.server = "srv\\SQLEXPRESS", .user = "sa", .password = "pw", .database = "loja"};
    ASSERT_TRUE(core::saveDataLink(path, core::loadDataLink(path), settings));
    EXPECT_EQ(core::readInitString(path),
              "SQLOLEDB.1;Password=pw;Persist Security Info=True;User ID=sa;Initial Catalog=loja;"
              "Data Source=srv\\SQLEXPRESS");

    settings.persistPassword = false;
    settings.database.clear();
    ASSERT_TRUE(core::saveDataLink(path, core::loadDataLink(path), settings));
    EXPECT_EQ(core::readInitString(path), "SQLOLEDB.1;Persist Security Info=False;User ID=sa;Data Source=srv\\SQLEXPRESS");
    const core::Link reread = core::settingsOf(core::loadDataLink(path).items);
    EXPECT_FALSE(reread.persistPassword);
    EXPECT_EQ(reread.password, "");

    // Windows authentication keeps no login; values are quoted where they need it.
    const QString other = dir.filePath("outra.udl");
    ASSERT_TRUE(core::saveDataLink(other, core::loadDataLink(other),
                                  {.server = "srv", .login = core::LinkLogin::Windows, .user = "sa", .database = "'lo;ja"}));
    EXPECT_EQ(core::readInitString(other), "SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;"
                                           "Initial Catalog=\"'lo;ja\";Data Source=srv");

    // Keys the editor does not show, spelt as Windows' providers also read them.
    writeBytes(path, windowsFile("SQLOLEDB.1;password=a;Pwd=b; PASSWORD =c;Password=d;User ID=sa"));
    ASSERT_TRUE(core::saveDataLink(path, core::loadDataLink(path), settings));
    EXPECT_EQ(core::readInitString(path), "SQLOLEDB.1;User ID=sa;Persist Security Info=False;Data Source=srv\\SQLEXPRESS");
}

// The editor's choices of encryption in each provider's words, and no password
// kept anywhere in the file when it is not to be kept, Extended Properties'
// ODBC string included.
TEST(DataLinkEditing, EncryptionInTheProvidersWordsAndNoPasswordLeftInExtendedProperties)
{
    const QString user = QStringLiteral(";User ID=sa;Data Source=srv;Persist Security Info=");
    const std::tuple<QString, bool, bool, bool, QString> cases[] = {  // the file; encrypt, trust, persist; written
        {"SQLOLEDB.1;User ID=sa;Data Source=srv", true, true, true,
         "SQLOLEDB.1" + user + "True;Use Encryption for Data=True;Trust Server Certificate=True"},
        {"MSOLEDBSQL.1;User ID=sa;Data Source=srv", true, false, true, "MSOLEDBSQL.1" + user + "True;Use Encryption for Data=Mandatory"},
        {"MSOLEDBSQL.1;Use Encryption for Data=Mandatory;Trust Server Certificate=True;User ID=sa;Data Source=srv", false, false,
         false, "MSOLEDBSQL.1;Use Encryption for Data=Optional;Trust Server Certificate=False" + user + "False"},
        // An item that cannot be read is written anew.
        {"SQLOLEDB.1;Use Encryption for Data=Sim;User ID=sa;Data Source=srv", true, false, false,
         "SQLOLEDB.1;Use Encryption for Data=True" + user + "False;Trust Server Certificate=False"},
        {R"(MSDASQL.1;Extended Properties="DSN=L;UID=sa;PWD={Se;gr}}edo1};APP=pos";Password=Se;User ID=sa;Data Source=srv)",
         false, false, false, R"(MSDASQL.1;Extended Properties="DSN=L;UID=sa;APP=pos")" + user + "False"},
        {R"(MSDASQL.1;Extended Properties="pwd=Segredo1";User ID=sa;Data Source=srv)", false, false, false,
         "MSDASQL.1" + user + "False"},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("link.udl");
    for (const auto& [init, encrypt, trust, persist, written] : cases) {
        SCOPED_TRACE(init.toStdString());
        writeBytes(path, windowsFile(init));
        const core::DataLinkDocument document = core::loadDataLink(path);
        core::Link settings = core::settingsOf(document.items);
        settings.encryption = core::chosenEncryption(settings, encrypt);
        settings.trustServerCertificate = trust;
        settings.persistPassword = persist;
        ASSERT_TRUE(core::saveDataLink(path, document, settings));
        EXPECT_EQ(core::readInitString(path), written);
    }
}

TEST(DataLinkEditing, SavingRewritesOnlyTheInitStringLineAndRefusesAFileItWouldCut)
{
    const core::Link settings{.server = "srv", .user = "sa", .password = "pw", .database = "loja"};
    const QString init = "SQLOLEDB.1;Password=pw;Persist Security Info=True;User ID=sa;Initial Catalog=loja;Data Source=srv";
    struct Case {
        const char* what;
        QByteArray file;
        bool foreign;
        QByteArray written;  // empty: refused, and the file stays as it was
    };
    const std::vector<Case> cases = {
        {"comments and other sections", "; mine\n[x]\nProvider=no\n[OLEDB]\n; note\n  provider = \"SQLOLEDB.1\"\n[y]\nb=2", false,
         utf16File("; mine\r\n[x]\r\nProvider=no\r\n[OLEDB]\r\n; note\r\nProvider=" + init + "\r\n[y]\r\nb=2\r\n")},
        {"the section without its line", "[oledb]\r\n; c\r\n", false, utf16File("[oledb]\r\nProvider=" + init + "\r\n; c\r\n")},
        {"not a data link file", "notas\n", true, windowsFile(init)},
        {"longer than the reader takes", "[oledb]\nProvider=SQLOLEDB.1;Data Source=" + QByteArray(2030, 'x') + "\n", false, {}},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("link.udl");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeBytes(path, c.file);
        const core::DataLinkDocument document = core::loadDataLink(path);
        EXPECT_EQ(document.foreign, c.foreign);
        QString error;
        EXPECT_EQ(core::saveDataLink(path, document, settings, &error), !c.written.isEmpty());
        EXPECT_EQ(readBytes(path), c.written.isEmpty() ? c.file : c.written);
        EXPECT_EQ(error.contains("2053 caracteres"), c.written.isEmpty()) << error.toStdString();
    }
}

TEST(DataLinkEditing, ValuesTheFileCannotHoldAreRefusedAndTheFileStaysAsItWas)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("link.udl");
    const QByteArray original = windowsFile("\"P;User ID=sa;Data Source=srv");
    writeBytes(path, original);
    const core::DataLinkDocument document = core::loadDataLink(path);

    const core::Link good{.server = "srv", .user = "sa", .password = "pw", .database = "loja"};
    struct Case {
        const char* what;
        core::Link settings;
        const char* says;
    };
    const auto with = [&](auto change) {
        core::Link s = good;
        change(s);
        return s;
    };
    const std::vector<Case> cases = {
        {"a line break", with([](auto& s) { s.user = "sa\r\nx"; }), "«Utilizador» não pode conter mudanças de linha"},
        {"too long", with([](auto& s) { s.database = QString(2100, u'x'); }), "demasiado longa"},
        // With this file's provider the whole line would lose its quotes.
        {"quotes around the line", with([](auto& s) { s.database = "loja\""; }), "não seriam lidos tal como"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QString error;
        EXPECT_FALSE(core::saveDataLink(path, document, c.settings, &error));
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.says))) << error.toStdString();
        EXPECT_EQ(readBytes(path), original);
    }
    EXPECT_TRUE(core::saveDataLink(path, document, good));
}

#ifdef Q_OS_UNIX
TEST(DataLinkEditing, TheFileIsReadableByItsOwnerOnlyAndNoTemporaryFileStays)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("link.udl");
    writeBytes(path, windowsFile("SQLOLEDB.1;Data Source=srv"));
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));

    ASSERT_TRUE(core::saveDataLink(path, core::loadDataLink(path),
                                   {.server = "srv", .user = "sa", .password = "pw", .database = "loja"}));
    // Owner, group and others; the "user" bits say what this process may do.
    EXPECT_EQ(QFile::permissions(path) & 0x7077, QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"link.udl"});
}
#endif

}  // namespace

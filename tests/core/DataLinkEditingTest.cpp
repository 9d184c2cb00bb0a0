// What the data link editor writes, read back through the conversion's own reader.
#include "QStringPrinting.h"
#include "core/DataLinkFile.h"
#include "core/DataLinkWriter.h"
#include "core/InitString.h"
#include "core/LinkSettings.h"

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

// The file Windows writes for an init string, built without the writer.
QByteArray windowsFile(const QString& init)
{
    const QString text = "[oledb]\r\n; Everything after this line is an OLE DB initstring\r\nProvider=" + init + "\r\n";
    return QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
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

        const core::InitStringItems items = core::loadDataLink(path);
        core::LinkSettings settings = core::settingsOf(items);
        EXPECT_EQ(settings.password, "velha€");
        EXPECT_EQ(settings.database, "Loja Nº1");
        EXPECT_EQ(settings.server, "srv\\SQLEXPRESS");
        EXPECT_TRUE(settings.persistPassword);  // no item says otherwise

        settings.password = "nova=ção!";
        settings.database = "Loja São João";
        settings.server = "10.0.0.5,1433";
        QString error;
        ASSERT_TRUE(core::saveDataLink(path, items, settings, &error)) << error.toStdString();

        const QString after = "SQLNCLI11;Auto Translate=False;Password=nova=ção!;User ID=caixa;Packet Size=4096;"
                              "Initial Catalog=Loja São João;Workstation ID=CAIXA-Á;Data Source=10.0.0.5,1433;"
                              "Persist Security Info=True";
        EXPECT_EQ(readBytes(path), windowsFile(after));
        const QString read = core::readInitString(path);
        const core::SourceParameters source = core::parseSourceInit(read);
        EXPECT_EQ(source.password, settings.password);
        EXPECT_EQ(source.user, "caixa");
        EXPECT_EQ(source.server, settings.server);
        EXPECT_EQ(core::parseDestinationDatabase(read), settings.database);
    }
}

TEST(DataLinkEditing, ANewLinkIsWrittenInWindowsOrderAndAPasswordNotToBeKeptIsLeftOut)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("nova.udl");
    const core::InitStringItems fresh = core::loadDataLink(path);
    core::LinkSettings settings{"srv\\SQLEXPRESS", "sa", "pw", true, "loja"};
    ASSERT_TRUE(core::saveDataLink(path, fresh, settings));
    EXPECT_EQ(core::readInitString(path),
              "SQLOLEDB.1;Password=pw;Persist Security Info=True;User ID=sa;Initial Catalog=loja;"
              "Data Source=srv\\SQLEXPRESS");

    settings.persistPassword = false;
    settings.database.clear();
    ASSERT_TRUE(core::saveDataLink(path, core::loadDataLink(path), settings));
    EXPECT_EQ(core::readInitString(path), "SQLOLEDB.1;Persist Security Info=False;User ID=sa;Data Source=srv\\SQLEXPRESS");
    const core::LinkSettings reread = core::settingsOf(core::loadDataLink(path));
    EXPECT_FALSE(reread.persistPassword);
    EXPECT_EQ(reread.password, "");
}

TEST(DataLinkEditing, ValuesTheFileCannotHoldAreRefusedAndTheFileStaysAsItWas)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("link.udl");
    const QByteArray original = windowsFile("\"P;User ID=sa;Data Source=srv");
    writeBytes(path, original);
    const core::InitStringItems items = core::loadDataLink(path);

    const core::LinkSettings good{"srv", "sa", "pw", true, "loja"};
    struct Case {
        const char* what;
        core::LinkSettings settings;
        const char* says;
    };
    const auto with = [&](auto change) {
        core::LinkSettings s = good;
        change(s);
        return s;
    };
    const std::vector<Case> cases = {
        {"; in the password", with([](auto& s) { s.password = "a;b"; }), "«Palavra-passe» não pode conter «;»"},
        {"; in the database", with([](auto& s) { s.database = "a;b"; }), "«Base de dados» não pode conter «;»"},
        {"a line break", with([](auto& s) { s.user = "sa\r\nx"; }), "«Utilizador» não pode conter mudanças de linha"},
        {"a leading space", with([](auto& s) { s.server = " srv"; }), "«Servidor» não pode começar nem acabar"},
        {"a leading quote", with([](auto& s) { s.password = "'pw"; }), "«Palavra-passe» não pode começar por aspas"},
        {"too long", with([](auto& s) { s.database = QString(2100, u'x'); }), "demasiado longa"},
        // With this file's provider the whole line would lose its quotes.
        {"quotes around the line", with([](auto& s) { s.database = "loja\""; }), "não seriam lidos tal como"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QString error;
        EXPECT_FALSE(core::saveDataLink(path, items, c.settings, &error));
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.says))) << error.toStdString();
        EXPECT_EQ(readBytes(path), original);
    }
    EXPECT_TRUE(core::saveDataLink(path, items, good));
}

#ifdef Q_OS_UNIX
TEST(DataLinkEditing, TheFileIsReadableByItsOwnerOnlyAndNoTemporaryFileStays)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("link.udl");
    writeBytes(path, windowsFile("SQLOLEDB.1;Data Source=srv"));
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));

    ASSERT_TRUE(core::saveDataLink(path, core::loadDataLink(path), {"srv", "sa", "pw", true, "loja"}));
    // Owner, group and others; the "user" bits say what this process may do.
    EXPECT_EQ(QFile::permissions(path) & 0x7077, QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"link.udl"});
}
#endif

}  // namespace

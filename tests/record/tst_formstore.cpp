#include "Dataset.h"
#include "DiscoPieno.h"
#include "FieldDef.h"
#include "Figlio.h"
#include "FormRecord.h"
#include "FormStore.h"
#include "NativePath.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

#include <sys/wait.h>
#include <unistd.h>

class TestFormStore : public QObject {
    Q_OBJECT

    static void touch(const QString& path, const QByteArray& bytes = "x") {
        QFile f(path);
        QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
        f.write(bytes);
    }

    static QByteArray contents(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Runs fn as a user without the superuser's privileges (directly when not root); returns its
    // result and text.
    static QPair<bool, QString> unprivileged(const std::function<QPair<bool, QString>()>& fn) {
        if (geteuid() != 0)
            return fn();
        const auto esito = InUnFiglio([&](QByteArray& out) {
            if (!SenzaPrivilegi())
                return 2;
            const auto [ok, text] = fn();
            out = text.toUtf8();
            return ok ? 0 : 1;
        });
        if (!esito || esito->codice == 2)
            return {true, QStringLiteral("child failed")};
        return {esito->codice == 0, QString::fromUtf8(esito->uscita)};
    }

    static QPair<bool, QString> moveUnprivileged(const QString& source, const QString& folder) {
        return unprivileged([&] {
            QString error;
            const bool ok = SpostaFileIn(source, folder, &error);
            return qMakePair(ok, error);
        });
    }

private slots:
    void naming() {
        const QString exe = QStringLiteral("/opt/varno/");
        QCOMPARE(CartellaDaInviare(exe), QStringLiteral("/opt/varno/DaInviare/"));
        QCOMPARE(CartellaInviati(exe), QStringLiteral("/opt/varno/Inviati/"));
        QCOMPARE(NomeFileScheda(QStringLiteral("12"), QStringLiteral("0007"), QDate(2009, 3, 5)),
                 QStringLiteral("Sq12_n0007_(05-03-2009).VARNO"));
        // The texts go in as they are, blanks included.
        QCOMPARE(NomeFileScheda(QStringLiteral(" A"), QStringLiteral("7 "), QDate(2010, 12, 31)),
                 QStringLiteral("Sq A_n7 _(31-12-2010).VARNO"));

        Dataset ds(QStringLiteral("TblScheda"));
        ds.createFields(SchemaScheda());
        QObject::connect(&ds, &Dataset::newRecord, &ds, [](Dataset* d) { TblSchedaNewRecord(d); });
        ds.createDataSet();
        ds.append();
        ds.fieldByName(QStringLiteral("S1_Squadra"))->setAsString(QStringLiteral("12"));
        ds.fieldByName(QStringLiteral("S1_SchedaN"))->setAsString(QStringLiteral("0007"));
        ds.fieldByName(QStringLiteral("S1_Data"))->setAsString(QStringLiteral("05/03/2009 17:45:00"));
        ds.post();
        QCOMPARE(NomeFileScheda(ds),
                 QStringLiteral("Sq12_n0007_(05-03-2009).VARNO")); // the time plays no part
        ds.fieldByName(QStringLiteral("S1_Data"))->setAsString(QStringLiteral("06/03/2009"));
        ds.post();
        QCOMPARE(NomeFileScheda(ds), QStringLiteral("Sq12_n0007_(06-03-2009).VARNO"));
    }

    void refusedCharacters() {
        QString refused = QStringLiteral("\\/:*?\"<>|");
        for (char16_t c = 0; c < 0x20; ++c)
            refused += QChar(c);
        refused += QChar(0x7F);
        for (QChar c : refused) {
            QVERIFY2(CarattereNonAmmesso(c), qPrintable(QString::number(c.unicode())));
            QVERIFY2(!TestoAmmessoNelNome(QStringLiteral("12") + c),
                     qPrintable(QString::number(c.unicode())));
        }
        QVERIFY(!TestoAmmessoNelNome(QStringLiteral("../x")));
        for (const QString& ok : {QString(), QStringLiteral("12"), QStringLiteral("0007"),
                                  QStringLiteral("A B"), QStringLiteral("è-.'_()€"), QStringLiteral("..")})
            QVERIFY2(TestoAmmessoNelNome(ok), qPrintable(ok));
    }

    void folderWithoutSeparator() {
        QCOMPARE(CartellaSenzaBarra(QStringLiteral("/a/b/")), QStringLiteral("/a/b"));
        QCOMPARE(CartellaSenzaBarra(QStringLiteral("/a/b/c.VARNO")), QStringLiteral("/a/b"));
        QCOMPARE(CartellaSenzaBarra(QStringLiteral("/a/b//")), QStringLiteral("/a/b/"));
        QCOMPARE(CartellaSenzaBarra(QStringLiteral("nome")), QString());
        QCOMPARE(CartellaSenzaBarra(QStringLiteral("/")), QString());
    }

    void listing() {
        QTemporaryDir tmp;
        const QString dir = tmp.path() + QLatin1Char('/');
        for (const char* name :
             {"b.varno", "a.VARNO", "c.txt", ".nascosta.VARNO", "x.VARNO.bak", "VARNO", "C.Varno"})
            touch(dir + QLatin1String(name));
        QVERIFY(QDir(dir).mkdir(QStringLiteral("d.VARNO")));
        touch(dir + QStringLiteral("sola lettura.VARNO"));
        QVERIFY(QFile::setPermissions(dir + QStringLiteral("sola lettura.VARNO"),
                                      QFile::ReadOwner | QFile::ReadGroup));
        QVERIFY(QFile::link(dir + QStringLiteral("non esiste"), dir + QStringLiteral("rotto.VARNO")));
        QVERIFY(QFile::link(dir + QStringLiteral("a.VARNO"), dir + QStringLiteral("collegamento.VARNO")));

        QStringList list{QStringLiteral("resto di prima")};
        ElencaFile(dir, list, QString(), QStringLiteral(".VARNO"));
        QCOMPARE(list, (QStringList{".nascosta.VARNO", "a.VARNO", "b.varno", "C.Varno", "collegamento.VARNO",
                                    "sola lettura.VARNO"}));

        // A path to a file of the folder names the folder too; the prefix narrows the match.
        ElencaFile(dir + QStringLiteral("c.txt"), list, QStringLiteral("c"), QStringLiteral(".varno"));
        QCOMPARE(list, (QStringList{"C.Varno"}));

        ElencaFile(dir + QStringLiteral("manca/"), list, QString(), QStringLiteral(".VARNO"));
        QVERIFY(list.isEmpty());
    }

    void listingOnlyTheCaseDiffers() {
        QTemporaryDir tmp;
        const QString dir = tmp.path() + QLatin1Char('/');
        for (const char* name : {"b.VARNO", "B.VARNO", "a.VARNO", "A.varno"})
            touch(dir + QLatin1String(name));
        QStringList list;
        ElencaFile(dir, list, QString(), QStringLiteral(".VARNO"));
        QCOMPARE(list, (QStringList{"A.varno", "a.VARNO", "B.VARNO", "b.VARNO"}));
    }

    void moveToSent() {
        QTemporaryDir tmp;
        const QString exe = tmp.path() + QLatin1Char('/');
        const QString name = QStringLiteral("Sq12_n0007_(05-03-2009).VARNO");
        QVERIFY(QDir(exe).mkdir(QStringLiteral("DaInviare")));
        touch(CartellaDaInviare(exe) + name, "nuova");

        // The sent folder is made when it is missing.
        QString error;
        QVERIFY2(SpostaInInviati(exe, name, &error), qPrintable(error));
        QVERIFY(!QFile::exists(CartellaDaInviare(exe) + name));
        QCOMPARE(contents(CartellaInviati(exe) + name), QByteArray("nuova"));

        // A second send replaces the earlier copy.
        touch(CartellaDaInviare(exe) + name, "di nuovo");
        QVERIFY(SpostaInInviati(exe, name));
        QCOMPARE(contents(CartellaInviati(exe) + name), QByteArray("di nuovo"));
        QVERIFY(!QFile::exists(CartellaDaInviare(exe) + name));

        // A failed move is reported and the form stays where it was.
        const QString other = QStringLiteral("Sq12_n0008_(05-03-2009).VARNO");
        touch(CartellaDaInviare(exe) + other, "resta");
        QVERIFY(QDir(CartellaInviati(exe)).mkdir(other));
        QVERIFY(!SpostaInInviati(exe, other, &error));
        QVERIFY2(error.contains(other), qPrintable(error));
        QCOMPARE(contents(CartellaDaInviare(exe) + other), QByteArray("resta"));

        QVERIFY(!SpostaInInviati(exe, QStringLiteral("manca.VARNO"), &error));
        QVERIFY(!SpostaInInviati(exe, QStringLiteral("../") + other));
        QVERIFY(QFile::exists(CartellaDaInviare(exe) + other));
    }

    void moveWhenTheSentFolderCannotBeMade() {
        QTemporaryDir tmp;
        const QString exe = tmp.path() + QLatin1Char('/');
        QVERIFY(QDir(exe).mkdir(QStringLiteral("DaInviare")));
        touch(CartellaDaInviare(exe) + QStringLiteral("a.VARNO"));
        touch(exe + QStringLiteral("Inviati")); // a file where the folder should be
        QString error;
        QVERIFY(!SpostaInInviati(exe, QStringLiteral("a.VARNO"), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(QFile::exists(CartellaDaInviare(exe) + QStringLiteral("a.VARNO")));
    }

    // The form cannot leave the to-send folder (here: that folder is read-only), so the rename
    // fails: the earlier copy in the sent folder stays, and so does the form.
    void failedMoveKeepsTheEarlierCopy() {
        QTemporaryDir tmp;
        const QString exe = tmp.path() + QLatin1Char('/');
        const QString name = QStringLiteral("Sq12_n0007_(05-03-2009).VARNO");
        QVERIFY(QDir(exe).mkdir(QStringLiteral("DaInviare")));
        QVERIFY(QDir(exe).mkdir(QStringLiteral("Inviati")));
        touch(CartellaDaInviare(exe) + name, "nuova");
        touch(CartellaInviati(exe) + name, "spedita prima");
        const auto all = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                         QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther |
                         QFile::ExeOther;
        const auto readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                              QFile::ReadOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(tmp.path(), readOnly | QFile::WriteOwner));
        QVERIFY(QFile::setPermissions(CartellaInviati(exe), all));
        QVERIFY(QFile::setPermissions(CartellaInviati(exe) + name, all));
        QVERIFY(QFile::setPermissions(CartellaDaInviare(exe), readOnly));
        const auto [ok, error] = moveUnprivileged(CartellaDaInviare(exe) + name, CartellaInviati(exe));
        QFile::setPermissions(CartellaDaInviare(exe), all);
        QVERIFY(!ok);
        QVERIFY2(error.startsWith(QStringLiteral("Impossibile spostare il file ")), qPrintable(error));
        QCOMPARE(contents(CartellaInviati(exe) + name), QByteArray("spedita prima"));
        QCOMPARE(contents(CartellaDaInviare(exe) + name), QByteArray("nuova"));
    }

    // A sent folder on another file system: the new copy is made whole there before the form
    // leaves; when it cannot be (the other disk is full) the earlier copy and the form stay.
    void moveAcrossFileSystems() {
        DiscoPieno altro(QStringLiteral("tmpfs"));
        if (!altro.motivo().isEmpty())
            QSKIP(qPrintable(altro.motivo()));
        QTemporaryDir tmp;
        const QString source = tmp.filePath(QStringLiteral("a.VARNO"));
        const QString copy = altro.percorso(QStringLiteral("a.VARNO"));
        touch(source, QByteArray(20000, 'n'));
        touch(copy, "vecchia");
        QString error;
        altro.riempi();
        QVERIFY(!SpostaFileIn(source, altro.cartella(), &error));
        altro.svuota();
        QVERIFY2(error.contains(QStringLiteral("a.VARNO")), qPrintable(error));
        QCOMPARE(contents(copy), QByteArray("vecchia"));
        QCOMPARE(contents(source), QByteArray(20000, 'n'));

        QVERIFY2(SpostaFileIn(source, altro.cartella(), &error), qPrintable(error));
        QCOMPARE(contents(copy), QByteArray(20000, 'n'));
        QVERIFY(!QFile::exists(source));
        QStringList left = QDir(altro.cartella()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(left, QStringList{QStringLiteral("a.VARNO")});
    }

    // A name that is not UTF-8 (an accented squad name written by another system): listed,
    // opened and moved by its very bytes.
    void nameNotUtf8() {
        const QByteArray bytes = "Sq\xC0\xE8_n0001_(05-03-2009).VARNO"; // Windows-1252 "Àè"
        const QString name = NativePath::decode(bytes);
        QCOMPARE(NativePath::encode(name), bytes);
        QCOMPARE(NativePath::display(name), QStringLiteral("Sq\u00C0\u00E8_n0001_(05-03-2009).VARNO"));
        // Valid UTF-8, a pair outside the first plane and escaped bytes side by side.
        const QByteArray mixed = "\xC3\xA0\xF0\x9F\x98\x80\xED\xA0\x80\xFF\xC3";
        QCOMPARE(NativePath::encode(NativePath::decode(mixed)), mixed);
        QCOMPARE(NativePath::decode("Citt\xC3\xA0"), QStringLiteral("Citt\u00E0"));

        QTemporaryDir tmp;
        const QString exe = tmp.path() + QLatin1Char('/');
        QVERIFY(QDir(exe).mkdir(QStringLiteral("DaInviare")));
        const QByteArray native = QFile::encodeName(CartellaDaInviare(exe)) + bytes;
        FILE* f = std::fopen(native.constData(), "wb");
        QVERIFY(f);
        std::fputs("modulo", f);
        std::fclose(f);

        QStringList list;
        QVERIFY(ElencaFile(CartellaDaInviare(exe), list, QString(), QStringLiteral(".VARNO")));
        QCOMPARE(list, QStringList{name});
        QString error;
        QVERIFY2(SpostaInInviati(exe, list.first(), &error), qPrintable(error));
        QVERIFY(::access((QFile::encodeName(CartellaInviati(exe)) + bytes).constData(), F_OK) == 0);
        QVERIFY(::access(native.constData(), F_OK) != 0);
        ElencaFile(CartellaInviati(exe), list, QString(), QStringLiteral(".VARNO"));
        QCOMPARE(list, QStringList{name});
    }

    // A to-send folder that exists but cannot be read is said to be so, with its path.
    void unreadableFolder() {
        QTemporaryDir tmp;
        const QString dir = tmp.filePath(QStringLiteral("DaInviare/"));
        QVERIFY(QDir().mkdir(dir));
        touch(dir + QStringLiteral("a.VARNO"));
        QStringList list{QStringLiteral("stale")};
        QString error;
        QVERIFY(ElencaFile(tmp.filePath(QStringLiteral("Manca/")), list, QString(), QStringLiteral(".VARNO"),
                           &error));
        QVERIFY(list.isEmpty());
        QVERIFY(error.isEmpty());
        QVERIFY(QFile::setPermissions(tmp.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                      QFile::ReadOther | QFile::ExeOther));
        QVERIFY(QFile::setPermissions(dir, QFile::WriteOwner | QFile::ExeOwner | QFile::WriteOther |
                                               QFile::ExeOther));
        const auto [ok, text] = unprivileged([&] {
            QString why;
            const bool listed = ElencaFile(dir, list, QString(), QStringLiteral(".VARNO"), &why);
            return qMakePair(listed, why);
        });
        error = text;
        QVERIFY(!ok);
        QCOMPARE(error, QStringLiteral("Impossibile leggere il contenuto della cartella %1").arg(dir));

        // Not even searchable: whether a file is there is unknown, and said to be.
        QVERIFY(QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther |
                                               QFile::WriteOther));
        const auto [found, known] = unprivileged([&] {
            bool leggibile = true;
            const bool esiste = EsisteFile(dir + QStringLiteral("a.VARNO"), &leggibile);
            return qMakePair(esiste, QString::fromLatin1(leggibile ? "known" : "unknown"));
        });
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!found);
        QCOMPARE(known, QStringLiteral("unknown"));
        bool leggibile = false;
        QVERIFY(EsisteFile(dir + QStringLiteral("a.VARNO"), &leggibile));
        QVERIFY(leggibile);
        QVERIFY(!EsisteFile(dir + QStringLiteral("b.VARNO"), &leggibile));
        QVERIFY(leggibile);
        QCOMPARE(error, QStringLiteral("Impossibile leggere il contenuto della cartella %1").arg(dir));
    }

    void moveAnyFileIntoAFolder() {
        QTemporaryDir tmp;
        const QString dir = tmp.path() + QLatin1Char('/');
        touch(dir + QStringLiteral("a.VARNO"), "nuova");
        QVERIFY(QDir(dir).mkpath(QStringLiteral("x/Inviati")));
        touch(dir + QStringLiteral("x/Inviati/a.VARNO"), "vecchia");
        // The folder with or without its separator; an earlier copy is replaced.
        QString error;
        QVERIFY2(SpostaFileIn(dir + QStringLiteral("a.VARNO"), dir + QStringLiteral("x/Inviati"), &error),
                 qPrintable(error));
        QCOMPARE(contents(dir + QStringLiteral("x/Inviati/a.VARNO")), QByteArray("nuova"));
        QVERIFY(!QFile::exists(dir + QStringLiteral("a.VARNO")));
        QVERIFY(!SpostaFileIn(dir + QStringLiteral("a.VARNO"), dir + QStringLiteral("y/"), &error));
        QVERIFY(!QDir(dir + QStringLiteral("y")).exists());
    }
};

QTEST_GUILESS_MAIN(TestFormStore)
#include "tst_formstore.moc"

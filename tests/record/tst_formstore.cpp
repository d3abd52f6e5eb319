#include "Dataset.h"
#include "FieldDef.h"
#include "FormRecord.h"
#include "FormStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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

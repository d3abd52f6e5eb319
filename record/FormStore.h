#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

class Dataset;

// The form store: saved forms are files in two folders beside the executable, the to-send folder
// where Save writes and the sent folder into which accepted forms move. A folder's contents are
// its list of forms. Folder paths end with a separator; exeDir is the executable's folder with
// its trailing separator.

QString CartellaDaInviare(const QString& exeDir); // exeDir + "DaInviare/"
QString CartellaInviati(const QString& exeDir);   // exeDir + "Inviati/"

// "Sq" + squad + "_n" + number + "_(" + dd-mm-yyyy + ")" + ".VARNO", the texts as they are.
QString NomeFileScheda(const QString& squadra, const QString& schedaN, const QDate& data);
// The same from S1_Squadra, S1_SchedaN and the date of S1_Data of the current record.
QString NomeFileScheda(const Dataset& scheda);

// A squad or form-number text may go into a file name only when it holds none of
// \ / : * ? " < > | and no control character; otherwise the name would lead out of the to-send
// folder or be refused by the file system.
bool CarattereNonAmmesso(QChar c);
bool TestoAmmessoNelNome(const QString& text);

// The folder part of path (up to and including its last separator) without that separator.
QString CartellaSenzaBarra(const QString& path);

// Clears list and fills it with the names (without folder) of the regular files of folder whose
// name ends with prefix + extension, letters compared without regard to case; hidden and
// read-only files are included, folders never. The names are sorted without regard to case. A
// missing folder gives an empty list. The caller shows the wait cursor around it.
// Names are listed by their bytes, whatever they are: one that is not UTF-8 comes back in the
// form of NativePath, and opens and moves by it. Returns false, with an Italian message naming
// the folder in *error when given, for a folder that exists but cannot be read (the list is then
// empty as well).
bool ElencaFile(const QString& folder, QStringList& list, const QString& prefix, const QString& extension,
                QString* error = nullptr);
// Whether a file (of any kind) is at path, looked up by its bytes. *cartellaLeggibile becomes
// false when the folder cannot be looked into, and the answer is then unknown.
bool EsisteFile(const QString& path, bool* cartellaLeggibile = nullptr);
// The message for a folder whose contents cannot be read.
QString CartellaIllegibile(const QString& folder);

// Moves an accepted form from the to-send folder to the sent folder, replacing a file of the same
// name there and making the sent folder when it is missing. Returns false, with the reason in
// *error when given, when the form is still in the to-send folder afterwards.
bool SpostaInInviati(const QString& exeDir, const QString& fileName, QString* error = nullptr);
// The same for a form file anywhere: moves it into folder (made when missing), replacing a file
// of the same name there. An earlier copy is replaced only by a whole new one: within one file
// system by a rename, across file systems by a checked copy first; when the move fails the
// earlier copy stays as it was. Both folders are synced afterwards.
bool SpostaFileIn(const QString& source, const QString& folder, QString* error = nullptr);

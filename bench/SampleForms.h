#pragma once

#include "Dataset.h"
#include "FieldDef.h"
#include "FormRecord.h"

// Forms for the benchmarks, made as the program makes them.

// A new form: the form record's fields, a record appended with the new-record initialisation.
inline void NewSampleForm(Dataset& form) {
    form.createFields(SchemaScheda());
    QObject::connect(&form, &Dataset::newRecord, &form, [](Dataset* d) { TblSchedaNewRecord(d); });
    form.createDataSet();
    form.append();
}

// Every text field filled to its width as an inspector fills a form (Italian words, an
// apostrophe, an accented letter, now and then a character that needs an escape), the notes a
// few lines; `variant` shifts the words so that forms differ.
inline void FillSampleTexts(Dataset& form, int variant = 0) {
    static const QByteArray words =
        "Edificio in muratura con solai in legno, lesioni diagonali l'angolo nord perch\xe8 "
        "visibili \"gravi\" <piano terra> & copertura spingente; tamponature distaccate. ";
    int offset = variant;
    for (const auto& f : form.fields()) {
        if (f->kind() == FieldKind::String) {
            QByteArray t;
            while (t.size() < f->def().size)
                t += words.mid(offset++ % 40);
            f->setValue(t.left(f->def().size));
        }
    }
    QByteArray notes;
    for (int i = 0; i < 12; ++i)
        notes += words + "\r\n";
    form.fieldByName(QStringLiteral("S9_Annotazioni"))->setValue(notes);
}

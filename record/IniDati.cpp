#include "IniDati.h"

#include "Dataset.h"
#include "IniFile.h"

namespace {
const QString kConfig = QStringLiteral("CONFIG");
} // namespace

const std::array<ChiaveIni, 10>& ChiaviConfig() {
    static const std::array<ChiaveIni, 10> keys{{
        {"Squadra", "S1_Squadra", &TIniDati::Squadra},
        {"SchedaN", "S1_SchedaN", &TIniDati::SchedaN},
        {"IstatReg", "S1_IstatReg", &TIniDati::IstatReg},
        {"IstatProv", "S1_IstatProv", &TIniDati::IstatProv},
        {"IstatComune", "S1_IstatComune", &TIniDati::IstatComune},
        {"CodLocIstat", "S1_CodLocIstat", &TIniDati::CodLocIstat},
        {"SezCensIstat", "S1_SezCensIstat", &TIniDati::SezCensIstat},
        {"Provincia", "S1_Provincia", &TIniDati::Provincia},
        {"Comune", "S1_Comune", &TIniDati::Comune},
        {"Localita", "S1_Localita", &TIniDati::Localita},
    }};
    return keys;
}

void LeggiIni(const IniFile& ini, TIniDati& dati) {
    for (const ChiaveIni& k : ChiaviConfig())
        dati.*k.membro = ini.readString(kConfig, QLatin1String(k.chiave), QString());
}

void ScriviIni(IniFile& ini, const TIniDati& dati) {
    IniFile::Pairs pairs;
    for (const ChiaveIni& k : ChiaviConfig())
        pairs.append({QLatin1String(k.chiave), dati.*k.membro});
    ini.writeStrings(kConfig, pairs);
}

QString LeggiIndirizzoServer(const IniFile& ini) {
    return ini.readString(QStringLiteral("SERVER"), QStringLiteral("IP_ADDRESS"), QString());
}

std::optional<qint32> TestoInIntero(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    bool hex = false;
    if (i < n && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        hex = true;
        i += 2;
    }
    if (i == n)
        return std::nullopt;
    const quint64 limit = hex ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu);
    quint64 value = 0;
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (hex && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (hex && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            return std::nullopt;
        value = value * (hex ? 16 : 10) + quint64(digit);
        if (value > limit)
            return std::nullopt;
    }
    qint64 result = hex ? qint64(qint32(quint32(value))) : qint64(value);
    if (negative)
        result = -result;
    if (result < INT32_MIN || result > INT32_MAX)
        return std::nullopt;
    return qint32(result);
}

QString FormatoNumeroScheda(qint64 n) {
    const QString digits = QStringLiteral("%1").arg(n < 0 ? -n : n, 4, 10, QLatin1Char('0'));
    return n < 0 ? QLatin1Char('-') + digits : digits;
}

bool AvanzaNumeroScheda(IniFile& ini, const QString& schedaN) {
    try {
        const std::optional<qint32> n = TestoInIntero(schedaN);
        if (!n)
            return false;
        ini.writeString(kConfig, QStringLiteral("SchedaN"), FormatoNumeroScheda(qint64(*n) + 1));
        return true;
    } catch (...) {
        return false; // the key keeps its old value and the save goes on
    }
}

void AssegnaDatiIni(Dataset& scheda, const TIniDati& dati) {
    for (const ChiaveIni& k : ChiaviConfig())
        scheda.fieldByName(QLatin1String(k.campo))->setAsString(dati.*k.membro);
}

void RicordaDatiScheda(const Dataset& scheda, TIniDati& dati) {
    for (const ChiaveIni& k : ChiaviConfig())
        if (k.membro != &TIniDati::SchedaN)
            dati.*k.membro = scheda.fieldByName(QLatin1String(k.campo))->asString();
}

#include "store/SettingsStore.h"

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

QString Text(const QVariant& value) {
    return value.isNull() ? QString() : value.toString();
}

} // namespace

SettingsStore::SettingsStore(Database& db)
    : m_read(db,
             u"SELECT TH, Name, Adresse, \"E-Mail\", Telegram, Insta, Web, Twitter, Facebook, Tel, Mosch, "
             u"Logo FROM Theme ORDER BY rowid LIMIT 1"_s)
    , m_write(db, u"UPDATE Theme SET TH = ?, Name = ?, Adresse = ?, \"E-Mail\" = ?, Telegram = ?, Insta = ?, "
                  u"Web = ?, Twitter = ?, Facebook = ?, Tel = ?, Mosch = ?, Logo = ? "
                  u"WHERE rowid = (SELECT rowid FROM Theme ORDER BY rowid LIMIT 1)"_s) {}

std::optional<Settings> SettingsStore::read() {
    std::optional<Settings> settings;
    if (m_read.run({}) && m_read.next()) {
        Settings s;
        QString* fields[] = {&s.theme, &s.name,    &s.address,  &s.email, &s.telegram,     &s.instagram,
                             &s.web,   &s.twitter, &s.facebook, &s.tel,   &s.contactBlock, &s.logo};
        for (int i = 0; i < 12; ++i) {
            *fields[i] = Text(m_read.value(i));
        }
        settings = s;
    }
    m_read.finish();
    return settings;
}

bool SettingsStore::write(const Settings& s) {
    const bool ok = m_write.run({s.theme, s.name, s.address, s.email, s.telegram, s.instagram, s.web,
                                 s.twitter, s.facebook, s.tel, s.contactBlock, s.logo}) &&
                    m_write.query().numRowsAffected() > 0;
    m_write.finish();
    return ok;
}

} // namespace morvalen

#include "update/InternetConnect.h"

#include <QNetworkInformation>

namespace morvalen {

namespace {

std::optional<bool>& Fixed() {
    static std::optional<bool> fixed;
    return fixed;
}

} // namespace

bool IsConnected() {
    if (Fixed()) {
        return *Fixed();
    }
    // The backend is loaded once and stays for the whole run.
    static const bool loaded =
        QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
    const QNetworkInformation* info = loaded ? QNetworkInformation::instance() : nullptr;
    if (!info) {
        return true;
    }
    return info->reachability() != QNetworkInformation::Reachability::Disconnected;
}

void SetConnectedForTests(std::optional<bool> connected) {
    Fixed() = connected;
}

} // namespace morvalen

#pragma once

#include "Core/Shell/BundleInfo.h"
#include "UI/Settings/PaneKit.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace lumivast {

class SettingsServices;

// The program-wide switches: starting at login, naming and labelling Spaces,
// automations, the trackpad tap, the local API, the switching method, Dock
// protection, and what the program knows about itself.
class GeneralPane final : public PaneForm {
    Q_OBJECT
public:
    static constexpr int kPort = 57301;

    explicit GeneralPane(SettingsServices& services, QWidget* parent = nullptr);

    // "Version": the build's version, else "dev".
    static QString versionText(const BundleInfo& bundle);
    // "System bridge", from a fresh probe.
    static QString bridgeText();

    QCheckBox* launchAtLogin() const { return m_launchAtLogin; }
    // The rows shown only while the local API is on.
    QWidget* addressRow() const { return m_addressRow; }
    QPushButton* copyTokenButton() const { return m_copyToken; }
    QLabel* apiCaption() const { return m_apiCaption; }
    QLabel* bridgeLabel() const { return m_bridge; }
    QLabel* versionLabel() const { return m_version; }

private:
    void launchAtLoginChanged(bool on);
    void copyToken();
    void showLocalAPIRows();

    SettingsServices& m_services;
    QCheckBox* m_launchAtLogin = nullptr;
    QWidget* m_addressRow = nullptr;
    QPushButton* m_copyToken = nullptr;
    QWidget* m_copyTokenRow = nullptr;
    QLabel* m_apiCaption = nullptr;
    QLabel* m_version = nullptr;
    QLabel* m_bridge = nullptr;
};

} // namespace lumivast

// The "Live Update" dialog. Opened by the command it runs a check of its own (checking mode):
// a waiting text, then the failure text, the up-to-date page or the new-version page. Opened
// with the result of the automatic check it goes straight to the page that result calls for.
// "OK" on the new-version page opens the installer's download in the browser.
#pragma once

#include "CBaseDialog.h"
#include "CVelVersionUpdate.h"

#include <QBasicTimer>

#include <memory>
#include <string>

class CBaseWnd;
class QPlainTextEdit;

class CLiveUpdateDlg : public CBaseDialog {
public:
    enum Page { kPageChecking, kPageFailed, kPageLatest, kPageNewVersion };
    enum ItemId : int {
        kMessageText = 1,
        kCurrentText = 2,
        kLatestText = 3,
        kTextBoxItem = 4,
        kCloseButton = 5,
        kCancelButton = 6,
        kOkButton = 7,
    };
    static constexpr int kTemplateId = 147;
    static constexpr int kPaneId = 148;
    static constexpr int kTextBoxId = 1043;
    static constexpr int kWidth = 500;
    static constexpr int kHeight = 300;
    static constexpr int kCheckDelayMs = 100; // timer 1

    // Checking mode: 100 ms after construction `checker` is started, forced, with this dialog as
    // the receiver of its result. The dialog owns the checker for this one run.
    explicit CLiveUpdateDlg(std::shared_ptr<CVelVersionUpdate> checker, QWidget* parent = nullptr,
                            CBaseSkin* skin = nullptr);
    // Result mode: a successful check's result, and where the installer is downloaded from.
    CLiveUpdateDlg(const VersionCheckResult& result, std::string installerUrl,
                   QWidget* parent = nullptr, CBaseSkin* skin = nullptr);
    ~CLiveUpdateDlg() override;

    Page CurrentPage() const { return m_page; }
    CBaseWnd* Pane() const { return m_pane; }
    QPlainTextEdit* TextBox() const { return m_textBox; }
    // The checker of checking mode (null in result mode).
    CVelVersionUpdate* Checker() const { return m_checker.get(); }

    intptr_t onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
    void OnPaneClick(const PaneNotify& notify) override;
    bool IsFixedSize() const override { return true; }
    bool PaintBackground(QPainter& painter, int fillType) override;

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    CLiveUpdateDlg(QWidget* parent, CBaseSkin* skin);
    void ShowResult(const VersionCheckResult& result);
    void ShowPage(Page page, const QString& message);

    CBaseWnd* m_pane = nullptr;
    QPlainTextEdit* m_textBox = nullptr;
    VersionCheckerHold<CVelVersionUpdate> m_checker;
    std::string m_installerUrl;
    QBasicTimer m_checkTimer;
    Page m_page = kPageChecking;
    int32_t m_fetchedMajor = 0;
    int32_t m_fetchedMinor = 0;
    QString m_description;
};

// The "HTML template" page: the template list, the memo that shows the
// chosen template and the buttons that edit, copy, load and delete
// templates. The list and its files are TemplateList; this file maps them
// onto the widgets and asks the user.

#include "flash/FlashOptionsForm.h"
#include "flash/HtmlTemplate.h"

#include "app/StringTable.h"
#include "app/WindowState.h"
#include "platform/Dialogs.h"
#include "strings/StringIds.h"
#include "support/Trace.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include <cstring>

using namespace vantor;

namespace {

void ShowError(TFlashOptionsForm* form, const std::string& text)
{
    platform::MessageBox(form, text, LoadStr(str::kErrorTitle), platform::MB_OK | platform::MB_ICONERROR);
}

} // namespace

void TFlashOptionsForm::ConnectTemplateRules()
{
    connect(cbTemplateName, &QComboBox::activated, this, &TFlashOptionsForm::cbTemplateNameChange);
    connect(mHTML, &QPlainTextEdit::textChanged, this, [this] {
        if (m_fillingMemo)
            return;
        m_templateChanged = true;
        SetButtonState();
    });
    connect(btnNew, &QPushButton::clicked, this, &TFlashOptionsForm::btnNewClick);
    connect(btnCopy, &QPushButton::clicked, this, &TFlashOptionsForm::btnCopyClick);
    connect(btnEdit, &QPushButton::clicked, this, &TFlashOptionsForm::btnEditClick);
    connect(btnSave, &QPushButton::clicked, this, &TFlashOptionsForm::btnSaveClick);
    connect(btnDelete, &QPushButton::clicked, this, &TFlashOptionsForm::btnDeleteClick);
    connect(btnFile, &QPushButton::clicked, this, &TFlashOptionsForm::btnFileClick);
}

void TFlashOptionsForm::ReloadList(const std::string& name)
{
    TraceMethod trace("TFlashOptionsForm::ReloadList");
    m_templates = TemplateList(GetTemplatesFolder());
    m_templates.Reload();
    cbTemplateName->clear();
    for (const TemplateList::Entry& entry : m_templates.Entries())
        cbTemplateName->addItem(QString::fromStdString(entry.name));
    m_templateChanged = false;
    m_lastShownTemplate = -1;
    const int index = name.empty() ? 0 : std::max(m_templates.IndexOf(name), 0);
    cbTemplateName->setCurrentIndex(index);
    cbTemplateNameChange(index);
}

std::string TFlashOptionsForm::GetTemplate() const
{
    return cbTemplateName->currentText().toStdString();
}

void TFlashOptionsForm::cbTemplateNameChange(int index)
{
    if (index == m_lastShownTemplate)
        return;
    if (CheckChanged())
        return;
    ShowTemplate(index);
    m_lastShownTemplate = index;
}

// Shows the built-in text for entry 0, else the template's file; a file
// that cannot be shown is reported and leaves the memo empty.
void TFlashOptionsForm::ShowTemplate(int index)
{
    std::string text;
    m_templateReadable = true;
    m_templateCrlf = true;
    if (index <= 0) {
        text = EditorTextFromFile(GetDefaultTemplate(), m_templateCrlf);
    } else {
        const std::string path = m_templates.PathOf(index);
        std::string fileText;
        const int error = ReadTemplateFile(path, fileText);
        if (error != 0) {
            m_templateReadable = false;
            ShowError(this,
                QString::asprintf(LoadStr(str::kTmplOpenFailed).c_str(), path.c_str(), std::strerror(error))
                    .toStdString());
        }
        text = EditorTextFromFile(fileText, m_templateCrlf);
    }
    m_fillingMemo = true;
    mHTML->setPlainText(QString::fromStdString(text));
    m_fillingMemo = false;
    m_templateChanged = false;
    SetMemoEditable(false);
    SetButtonState();
}

bool TFlashOptionsForm::CheckChanged()
{
    if (!m_templateChanged)
        return false;
    const int answer = platform::MessageBox(this, LoadStr(str::kTmplSaveChangesQuestion),
        LoadStr(str::kTmplSaveChangesTitle), platform::MB_YESNO | platform::MB_ICONQUESTION);
    if (answer == platform::IDYES) {
        // The edits stay in the memo, so that Save can write them.
        cbTemplateName->setCurrentIndex(m_lastShownTemplate);
        return true;
    }
    m_templateChanged = false;
    ShowTemplate(cbTemplateName->currentIndex());
    return false;
}

void TFlashOptionsForm::SetButtonState()
{
    const TemplateButtonStates states
        = DecideTemplateButtons(cbTemplateName->currentIndex(), m_templateChanged, m_templateReadable);
    btnEdit->setEnabled(states.edit);
    btnDelete->setEnabled(states.remove);
    btnSave->setEnabled(states.save);
    btnNew->setEnabled(true);
    btnCopy->setEnabled(true);
    btnFile->setEnabled(true);
}

// Read-only templates are shown grey, the one being edited in the window
// colour.
void TFlashOptionsForm::SetMemoEditable(bool editable)
{
    mHTML->setReadOnly(!editable);
    mHTML->setStyleSheet(
        editable ? QString() : QStringLiteral("QPlainTextEdit { background: palette(button); }"));
}

void TFlashOptionsForm::btnEditClick()
{
    if (cbTemplateName->currentIndex() > 0) {
        SetMemoEditable(true);
        mHTML->setFocus();
    }
    SetButtonState();
}

void TFlashOptionsForm::btnSaveClick()
{
    TraceMethod trace("TFlashOptionsForm::btnSaveClick");
    const int index = cbTemplateName->currentIndex();
    if (index > 0) {
        const std::string text = FileTextFromEditor(mHTML->toPlainText().toStdString(), m_templateCrlf);
        if (m_templates.SaveTemplate(index, text) != 0) {
            // The edits stay in the memo and the changed flag stays set.
            ShowError(this, LoadStr(str::kTmplSaveFailed));
        } else {
            m_templateChanged = false;
            SetMemoEditable(false);
        }
    }
    SetButtonState();
}

void TFlashOptionsForm::btnDeleteClick()
{
    TraceMethod trace("TFlashOptionsForm::btnDeleteClick");
    const int index = cbTemplateName->currentIndex();
    if (index <= 0
        || platform::MessageBox(this, LoadStr(str::kTmplDeleteQuestion), LoadStr(str::kQuestionTitle),
               platform::MB_YESNO | platform::MB_ICONQUESTION)
            != platform::IDYES) {
        SetButtonState();
        return;
    }
    if (m_templates.DeleteTemplate(index)) {
        ReloadList({});
        return;
    }
    ShowError(this, LoadStr(str::kTmplDeleteFailed));
    ReloadList(GetTemplate());
}

void TFlashOptionsForm::btnNewClick()
{
    TraceMethod trace("TFlashOptionsForm::btnNewClick");
    if (CheckChanged())
        return;
    const std::optional<std::string> name = platform::Dialogs().InputBox(this, LoadStr(str::kTmplNewHint),
        LoadStr(str::kTmplEnterName), m_templates.ProposeName(LoadStr(str::kTmplNewName)));
    if (!name) {
        SetButtonState();
        return;
    }
    if (!m_templates.CreateDefault(*name))
        ShowError(this, LoadStr(str::kTmplCopyFailed));
    ReloadList(*name);
}

void TFlashOptionsForm::btnCopyClick()
{
    TraceMethod trace("TFlashOptionsForm::btnCopyClick");
    if (CheckChanged())
        return;
    const int index = cbTemplateName->currentIndex();
    const std::optional<std::string> name = platform::Dialogs().InputBox(this, LoadStr(str::kTmplCopyHint),
        LoadStr(str::kTmplEnterName), m_templates.ProposeName(LoadStr(str::kTmplCopyOf) + GetTemplate()));
    if (!name) {
        SetButtonState();
        return;
    }
    if (!m_templates.CopyTemplate(index, *name))
        ShowError(this, LoadStr(str::kTmplCopyFailed));
    ReloadList(*name);
}

void TFlashOptionsForm::btnFileClick()
{
    TraceMethod trace("TFlashOptionsForm::btnFileClick");
    if (CheckChanged())
        return;
    platform::OpenFilesRequest request;
    request.filter = LoadStr(str::kTmplFilter);
    request.initialFolder = FlashOptionsHtmlPath();
    const std::vector<std::string> files = platform::Dialogs().OpenFiles(this, request);
    if (files.empty()) {
        SetButtonState();
        return;
    }
    const std::string& source = files.front();
    FlashOptionsHtmlPath() = source.substr(0, source.rfind('/') + 1);
    const std::string name = m_templates.LoadTargetName(source);
    if (!m_templates.CopyFile(source, name))
        ShowError(this, LoadStr(str::kTmplCopyFailed));
    ReloadList(name);
}

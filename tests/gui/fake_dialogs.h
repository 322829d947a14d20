// Dialogs answered by the test: it records every message and request, and gives the
// answers queued for it (cancel when none is queued).
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>

#include "gui/dialogs.h"

namespace quillon::testing {

class FakeDialogs : public Dialogs {
public:
    struct Message {
        QString text;
        QString caption;
    };
    struct FileRequest {
        QString filter;
        QString initialDir;
        QString fileName;
    };
    struct FolderRequest {
        QString title;
        QString startFolder;
    };

    void showMessage(QWidget*, const QString& text, const QString& caption) override {
        messages.push_back({text, caption});
        if (onMessage) onMessage();
    }
    std::optional<QString> openFile(QWidget*, FileDialogState& dialog) override {
        openRequests.push_back({dialog.filter, dialog.initialDir, dialog.fileName});
        return answer(dialog);
    }
    std::optional<QString> saveFile(QWidget*, FileDialogState& dialog) override {
        saveRequests.push_back({dialog.filter, dialog.initialDir, dialog.fileName});
        return answer(dialog);
    }
    QString browseForFolder(QWidget*, const QString& title, const QString& startFolder) override {
        folderRequests.push_back({title, startFolder});
        if (folderAnswers.empty()) return QString();
        const QString a = folderAnswers.front();
        folderAnswers.pop_front();
        return a;
    }
    bool confirm(QWidget*, const QString& text, const QString& caption) override {
        questions.push_back({text, caption});
        if (confirmAnswers.empty()) return false;
        const bool a = confirmAnswers.front();
        confirmAnswers.pop_front();
        return a;
    }
    void openUrl(const QUrl& url) override { openedUrls.push_back(url); }

    QStringList messageTexts() const {
        QStringList texts;
        for (const Message& m : messages) texts << m.text;
        return texts;
    }

    std::deque<std::optional<QString>> fileAnswers;
    std::deque<QString> folderAnswers;
    std::deque<bool> confirmAnswers;
    std::function<void()> onMessage;

    std::vector<Message> messages;
    std::vector<FileRequest> openRequests;
    std::vector<FileRequest> saveRequests;
    std::vector<FolderRequest> folderRequests;
    std::vector<Message> questions;
    std::vector<QUrl> openedUrls;

private:
    std::optional<QString> answer(FileDialogState& dialog) {
        if (fileAnswers.empty()) return std::nullopt;
        auto a = fileAnswers.front();
        fileAnswers.pop_front();
        if (a) dialog.fileName = *a;
        return a;
    }
};

}  // namespace quillon::testing

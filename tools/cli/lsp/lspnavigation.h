#pragma once

#include "lspdocument.h"
#include "lsppositions.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

// The requests that read a program's labels and operands, answered with the editor's own
// knowledge of the text. Each gives the request's result, or sets refusal to why it cannot be
// done (an error reply).
namespace LspNavigation {

// What the editor on the other end can take.
struct Client
{
    // Completion items may place the cursor with "$0".
    bool snippets = false;
};

QJsonValue completion(const Client &client, const LspDocument &document,
                      const LspPositions::Position &at, const QJsonObject &params,
                      QString &refusal);
QJsonValue hover(const Client &client, const LspDocument &document,
                 const LspPositions::Position &at, const QJsonObject &params, QString &refusal);
QJsonValue definition(const Client &client, const LspDocument &document,
                      const LspPositions::Position &at, const QJsonObject &params,
                      QString &refusal);
QJsonValue references(const Client &client, const LspDocument &document,
                      const LspPositions::Position &at, const QJsonObject &params,
                      QString &refusal);
QJsonValue prepareRename(const Client &client, const LspDocument &document,
                         const LspPositions::Position &at, const QJsonObject &params,
                         QString &refusal);
QJsonValue rename(const Client &client, const LspDocument &document,
                  const LspPositions::Position &at, const QJsonObject &params, QString &refusal);

} // namespace LspNavigation

#pragma once

#include "filedescriptor.h"
#include "foldercursor.h"
#include "operationrequest.h"
#include "operationresult.h"
#include "userquestions.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <sys/stat.h>
#include <vector>

class OperationContext;

// Places a staged tree into the destination: both trees are walked together by descriptors and raw
// names. What the destination lacks moves in whole with one rename; a staged folder merges into a real
// folder of the same name (which keeps its own time and mode); every other clash is put to
// OperationContext::resolveReplace. Every move is journalled, so a failure, Cancel or a cancelled
// operation undoes them all in reverse order, and the destination's merged folders get their times
// back. Not thread-safe; on the operation's thread.
class TreeCommit
{
public:
    struct Places {
        // The staged tree's root, the destination and the private folder (borrowed, kept open).
        int stagedRoot = -1;
        int destinationRoot = -1;
        int privateFolder = -1;
        // The private folder's name in the destination: never merged into or replaced.
        QByteArray privateName;
        // The destination as the user named it, and the archive folder the staged root stands for
        // ("" for the top), for questions and results.
        QString destinationPath;
        QString entryPrefix;
        LegacyNameLanguage language = LegacyNameLanguage::SimplifiedChinese;
    };

    TreeCommit(OperationContext &context, const Places &places);

    // Success, or the failure after every move was undone.
    OperationResult run();
    // Undoes every move run() made and not yet undone (also for an owner that is torn down meanwhile).
    void rollBack();

private:
    enum class MoveKind {
        MovedIn,    // staged name -> destination other
        Exchanged,  // staged name <-> destination name
        MovedAside, // destination name -> private "aside" folder, as other
    };
    struct Move {
        MoveKind kind;
        int node;
        QByteArray name;
        QByteArray other;
    };
    // A destination folder the staged tree merged into; node 0 is the root.
    struct Node {
        int parent = -1;
        int depth = 0;
        QByteArray name;
        timespec times[2] = {};
    };
    struct Frame {
        QList<QByteArray> names;
        qsizetype next = 0;
    };

    OperationResult place(const QByteArray &name, std::vector<Frame> *frames);
    OperationResult merge(const QByteArray &name, const struct stat &incoming, std::vector<Frame> *frames);
    OperationResult resolveClash(const QByteArray &name, const struct stat &incoming,
                                 const struct stat &existing);
    OperationResult replace(const QByteArray &name);
    OperationResult keepBoth(const QByteArray &name, bool isFolder);
    bool openAside();
    bool descendBoth(const QByteArray &name);
    bool ascendBoth();
    bool navigateTo(int node);
    void undo(const Move &move);
    void reportProgress(const QByteArray &name);

    QByteArray relativeRaw(const QByteArray &name) const;
    QString entryText(const QByteArray &name) const;
    QString pathText(const QByteArray &name) const;
    ItemDescription describe(const struct stat &info) const;
    OperationResult moveFailure(const QByteArray &name, int error) const;

    OperationContext &context;
    Places places;
    FolderCursor staged;
    FolderCursor destination;
    FileDescriptor aside;
    int asideCount = 0;
    std::vector<Node> nodes;
    // The nodes the cursors stand in, by depth.
    std::vector<int> nodePath;
    std::vector<Move> journal;
    QElapsedTimer sinceProgress;
};

#pragma once

#include "testtree.h"

#include <QString>
#include <QTemporaryDir>

// A private folder for one test with a destination inside it and a few bait files beside it, so a
// test can check that nothing outside the destination appeared or changed.
class Sandbox
{
public:
    Sandbox();
    // Also removes trees deeper than PATH_MAX, which QTemporaryDir alone would leave behind.
    ~Sandbox();
    bool isValid() const { return root.isValid(); }
    QString path() const { return root.path(); }
    QString filePath(const QString &name) const { return root.filePath(name); }
    // The folder operations extract into ("<sandbox>/dest"), not created yet.
    QString destination() const { return root.filePath(QStringLiteral("dest")); }
    // Everything in the sandbox except the destination, as TestTree::snapshot gives it.
    TestTree::Tree outside() const;
    // The same items' type, mode and modification time, links not followed: what a write through a
    // link would change besides content.
    TestTree::Tree outsideMetadata() const;

private:
    QTemporaryDir root;
};

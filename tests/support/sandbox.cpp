#include "sandbox.h"

#include "deeptree.h"

Sandbox::Sandbox()
{
    // Bait: a file and a folder an escaping entry would most likely aim at.
    TestTree::build(root.path(), {{QStringLiteral("outside.txt"), "untouched"},
                                  {QStringLiteral("outside/"), {}},
                                  {QStringLiteral("outside/keep.txt"), "keep"}});
}

Sandbox::~Sandbox()
{
    if (root.isValid())
        DeepTree::remove(root.path());
}

TestTree::Tree Sandbox::outside() const
{
    TestTree::Tree tree = TestTree::snapshot(root.path());
    for (auto it = tree.begin(); it != tree.end();) {
        if (it.key() == QLatin1String("dest/") || it.key().startsWith(QLatin1String("dest/")) ||
            it.key() == QLatin1String("dest"))
            it = tree.erase(it);
        else
            ++it;
    }
    return tree;
}

#include "linkresolver.h"

namespace {

// The system's own limit on links followed while resolving one path (Linux: 40, then ELOOP).
constexpr int maximumLinksFollowed = 40;
constexpr int componentBudget = 1 << 16;

} // namespace

bool LinkResolver::staysInside(const QList<QByteArray> &linkFolder, const QByteArray &target)
{
    budget = componentBudget;
    return resolve(linkFolder, target, 0);
}

bool LinkResolver::resolve(QList<QByteArray> path, const QByteArray &target, int linksFollowed)
{
    if (target.contains('\0') || target.startsWith('/'))
        return false;
    if (linksFollowed > maximumLinksFollowed)
        return true; // the system stops with ELOOP: the link leads nowhere
    // Depth from which the path runs through components the tree does not hold.
    qsizetype missingFrom = -1;
    qsizetype start = 0;
    while (start <= target.size()) {
        if (--budget < 0)
            return false;
        qsizetype end = target.indexOf('/', start);
        if (end < 0)
            end = target.size();
        const QByteArray component = target.mid(start, end - start);
        start = end + 1;
        if (component.isEmpty() || component == ".")
            continue;
        if (component == "..") {
            if (path.isEmpty() || missingFrom >= 0)
                return false;
            path.removeLast();
            continue;
        }
        path.append(component);
        if (missingFrom >= 0)
            continue;
        bool folder = false;
        bool exists = false;
        for (const Item &item : lookup(path)) {
            switch (item.kind) {
            case Kind::Missing:
                break;
            case Kind::Folder:
                folder = exists = true;
                break;
            case Kind::Other:
                // Anything after a file fails with ENOTDIR; the file itself is inside.
                exists = true;
                break;
            case Kind::Link: {
                exists = true;
                QByteArray followed = item.target;
                if (start < target.size())
                    followed += '/' + target.mid(start);
                if (!resolve(path.mid(0, path.size() - 1), followed, linksFollowed + 1))
                    return false;
                break;
            }
            }
        }
        if (!exists)
            missingFrom = path.size() - 1;
        else if (!folder)
            return true; // every way on was a link (followed above) or a file
    }
    return true;
}

#pragma once

class OperationContext;

// Tests the plainest and by far the most common kind of ZIP — one disk, every entry stored or
// deflated, nothing encrypted — by reading the central directory and each entry's bytes straight
// from the file, inflating them with zlib and checking every size and checksum. libzip spends more
// on opening an entry than on reading it when there are tens of thousands of small ones (five times
// what the reading costs); this check opens none.
//
// It only ever confirms. Whatever it does not cover, or finds wrong, it leaves undecided for the full
// test, which names the first damaged entry and asks for passwords. Progress goes to the context as
// bytes of the archive read; the current entry is the latest one begun. Runs on the operation's
// thread, with helper threads when there is enough data to share.
class ZipQuickCheck
{
public:
    enum class Verdict { Intact, Undecided, Cancelled };

    explicit ZipQuickCheck(OperationContext &context);
    Verdict run();

private:
    OperationContext &context;
};

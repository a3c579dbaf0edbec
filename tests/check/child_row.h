#pragma once

#include <QByteArray>

namespace quill::test {

// What a row needs around it that this process cannot give it in place.
enum ChildSetting : unsigned {
    // tr_TR.UTF-8, whose case rules are not ASCII's (I and i are no pair);
    // generated for the run, as no root may be at hand to install it.
    TurkishLocale = 1,
    // The tests' own names, seen by the child alone: a hosts file that maps
    // kHostsFileName to 127.0.0.1 and a resolver that asks the DNS server on
    // 127.0.0.1 port 53 (ScriptedDns), in mount and network namespaces of
    // its own.
    OwnNames = 2,
    // libcurl as if built without asynchronous name resolution.
    NoAsyncResolver = 4,
};

// The name the child's hosts file holds, and nothing else but localhost.
inline constexpr char kHostsFileName[] = "shop.quill.test";

// In the test process: runs the current row of the current test function
// again in a child copy of this program with the setting around it, records
// its failure, if any, as this row's, and returns true (the row is done).
// In the child: returns false, and the row runs there.
bool ranInChild(unsigned setting);

} // namespace quill::test

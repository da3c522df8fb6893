#pragma once
// Names of dimensions and user-defined types as CDL writes them where they are used.
// A name that, looked up from the using group outwards through its parents, finds the
// very dimension or type meant is written plainly; any other (one declared in a sibling
// group, or hidden by a nearer one of the same name) is written with the path of the
// group that declares it ("/grp/dim", "/dim" for the root group), so that the text
// never names a different dimension or type, and never none.
#include <map>
#include <string>
#include <vector>

class ScopedNames {
public:
    // Indexes every group of the open file `root` (its root group id); groups nested
    // deeper than `max_depth` are not indexed.
    explicit ScopedNames(int root, int max_depth = 64);

    // The dimension or type `id` as written from group `grpid`; empty when the file
    // declares no such dimension or type in an indexed group.
    std::string dimension(int grpid, int dimid) const;
    std::string type(int grpid, int type_id) const;

private:
    struct Group {
        int parent = -1;                  // -1 for the root
        std::string path;                 // escaped names joined by '/', "" for the root
        std::map<std::string, int> dims;  // raw name -> id
        std::map<std::string, int> types; // raw name -> id
    };
    struct Declared {
        int group = 0;
        std::string name; // raw
    };

    void index(int grpid, int parent, const std::string& path, int depth, int max_depth);
    std::string name_of(int grpid, int id, const std::map<int, Declared>& declared,
                        std::map<std::string, int> Group::*table) const;

    std::map<int, Group> m_groups;
    std::map<int, Declared> m_dims;
    std::map<int, Declared> m_types;
};

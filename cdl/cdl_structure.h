#pragma once
// What a rendering learns of a file's structure, for a panel that shows it.
#include <cstddef>
#include <string>
#include <vector>

// A dimension as the header declares it.
struct CdlDimension {
    std::string name;
    std::size_t length = 0;
    bool unlimited = false;
};

// A variable as the header declares it: its type as written, the names of its
// dimensions in order, and its long_name attribute when it has a text one.
struct CdlVariable {
    std::string name;
    std::string type;
    std::vector<std::string> shape;
    std::string long_name;
};

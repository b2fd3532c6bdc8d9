// The list of -a/--arrays: menu numbers, named techniques and described pairs and trees,
// separated by commas, read into the arrays it asks for or into what is wrong with it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "catalogue/descriptions.h"

namespace auralith {

// What is wrong, for the usage error to say: which entry, which of its parts, and how.
struct ListFault {
    enum class Kind {
        none,
        notMenuNumbers,  // a list of digits that are not all menu numbers: the whole list is quoted
        emptyEntry,      // two commas in a row, or one at an end: the whole list is quoted
        unknownEntry,    // none of the forms
        partCount,       // pair: or tree: with other than three values
        unknownPattern,
        tooManyDecimals,  // a pattern given to more than a thousandth
        notANumber,
        outOfRange,
    } kind = Kind::none;
    std::string entry;  // the entry as given (the whole list for notMenuNumbers)
    std::string part;   // "PATTERN", "ANGLE", "SPACING", "WIDTH", "DEPTH"
    std::string value;  // that part as given
    std::string range;  // "0 to 180 degrees"
};

struct ArrayList {
    // The menu numbers in menu order, then the others in the order given; each array once, under
    // the name it was first given, however it was asked for (sameArray).
    std::vector<ChosenArray> arrays;
    ListFault fault;  // kind none when the list is read
};

ArrayList parseArrayList(std::string_view list);

}  // namespace auralith

// The catalogue: the built-in arrays' rows as every lookup reads them, and the curves' styles.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "catalogue/built_in_arrays.h"
#include "catalogue/curve_style.h"

namespace auralith {
namespace {

std::string styleText(const CurveStyle& style) { return style.colour + "|" + style.dash; }

// Each row is found by its number as typed and by its model, and gives the slug its files carry.
TEST(CatalogueArrays, EveryLookupReadsTheRow) {
    const char* slugs[6] = {"blumlein", "cardioids", "faulkner", "ortf", "spaced-omnis", "tree"};
    for (int k = 1; k <= 6; ++k) EXPECT_EQ(arraySlug(static_cast<MicArray>(k)), slugs[k - 1]);
    int menu = 0;
    for (const BuiltInArray& row : builtInArrays()) {
        EXPECT_EQ(row.menu, ++menu) << "the rows are in menu order, without a gap";
        EXPECT_EQ(row.slug, std::to_string(row.menu) + "-" + std::string(row.shortSlug));
        EXPECT_EQ(builtInNumbered(std::to_string(row.menu)), &row);
        EXPECT_EQ(builtInOf(row.model), &row);
    }
    EXPECT_EQ(menu, 6);
    const ChosenArray ortf = builtInChoice(MicArray::ortfPair);
    EXPECT_EQ(ortf.key + "|" + ortf.name + "|" + ortf.slug, "4|ORTF near-coincident pair|4-ortf");
    EXPECT_EQ(micArrayName(MicArray::cardioidPair), "Coincident cardioids (105 deg)");
    for (const char* other : {"", "0", "7", "04", " 4", "4 ", "+4", "４"})
        EXPECT_EQ(builtInNumbered(other), nullptr) << '"' << other << '"';
    // ORTF's measures described are not the built-in array, whose arithmetic is its own.
    EXPECT_EQ(builtInOf(pairLayout(0.5, 110, 17)), nullptr);
}

// The built-in curves keep their styles whatever their place; the described ones take the eight
// colours, then the eight again with the next dash: 46 styles in all, never the antiphase dots.
TEST(CatalogueCurves, BuiltInOnesFixedDescribedOnesInTurn) {
    EXPECT_EQ(styleText(curveStyleOf(MicArray::blumleinPair, 7)), "#1f77b4|");
    EXPECT_EQ(styleText(curveStyleOf(MicArray::threeOmniTree, 0)), "#17a2b8|10 4");
    const AnyArray described = pairLayout(0.5, 90, 1);
    EXPECT_EQ(styleText(curveStyleOf(described, 0)), "#8c564b|");
    EXPECT_EQ(styleText(curveStyleOf(described, 7)), "#7b4173|");
    EXPECT_EQ(styleText(curveStyleOf(described, 8)), "#8c564b|10 4");
    EXPECT_EQ(styleText(curveStyleOf(described, 40)), "#8c564b|");
    std::set<std::string> styles;
    for (const BuiltInArray& row : builtInArrays()) styles.insert(styleText(curveStyleOf(row.model, 0)));
    for (std::size_t rank = 0; rank < 40; ++rank) {
        const CurveStyle style = curveStyleOf(described, rank);
        EXPECT_NE(style.dash, "2 3") << rank;
        styles.insert(styleText(style));
    }
    EXPECT_EQ(styles.size(), 46u);
}

}  // namespace
}  // namespace auralith

// Tuple and list parsing at the Python boundary, run in an embedded interpreter.
#include <gtest/gtest.h>
#include <pybind11/embed.h>

#include "module/conversions.h"

namespace {

py::object Eval(const char* expression) { return py::eval(expression); }

class Conversions : public testing::Test {
  protected:
    static void SetUpTestSuite() { s_interpreter = new py::scoped_interpreter(); }
    static void TearDownTestSuite() {
        delete s_interpreter;
        s_interpreter = nullptr;
    }
    static py::scoped_interpreter* s_interpreter;
};
py::scoped_interpreter* Conversions::s_interpreter = nullptr;

TEST_F(Conversions, ColourTupleTakesThreeOrFourComponents) {
    EXPECT_EQ(ParseColorTuple(Eval("(255, 0, 0)")), cv::Scalar(255, 0, 0, 255));
    EXPECT_EQ(ParseColorTuple(Eval("(1, 2, 3, 4, 5)")), cv::Scalar(1, 2, 3, 4));
    EXPECT_EQ(ParseColorTuple(Eval("(255, 0)")), cv::Scalar(0, 0, 0, 0));
    EXPECT_EQ(ParseColorTuple(Eval("()")), cv::Scalar(0, 0, 0, 0));
    // No clamping: values pass through as doubles.
    EXPECT_EQ(ParseColorTuple(Eval("(300, -1.5, 2.25)")), cv::Scalar(300, -1.5, 2.25, 255));
}

TEST_F(Conversions, ColourTupleRefusesNonNumbers) {
    EXPECT_THROW((void)ParseColorTuple(Eval("('a', 0, 0)")), py::cast_error);
}

TEST_F(Conversions, RectTupleNeedsExactlyFourIntegers) {
    EXPECT_EQ(ParseRectTuple(Eval("(1, 2, 3, 4)")), cv::Rect(1, 2, 3, 4));
    EXPECT_EQ(ParseRectTuple(Eval("(-5, 0, 0, 7)")), cv::Rect(-5, 0, 0, 7));
    try {
        (void)ParseRectTuple(Eval("(1, 2, 3)"));
        FAIL() << "three elements accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Rect tuple must have 4 elements (x, y, w, h)");
    }
    EXPECT_THROW((void)ParseRectTuple(Eval("(1, 2, 3, 4, 5)")), std::runtime_error);
    // A float is not an integer: the cast error becomes a RuntimeError in Python.
    EXPECT_THROW((void)ParseRectTuple(Eval("(1, 2.5, 3, 4)")), py::cast_error);
}

TEST_F(Conversions, PointListSkipsShortItemsAndIgnoresExtraElements) {
    const auto points = ParsePointList(Eval("[(1, 2), (3,), [4.5, 5.5, 9]]"));
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0], cv::Point2f(1, 2));
    EXPECT_EQ(points[1], cv::Point2f(4.5f, 5.5f));
    EXPECT_TRUE(ParsePointList(Eval("[]")).empty());
}

TEST_F(Conversions, PointListAcceptsAnyIterableItem) {
    py::exec("import array");
    const auto points = ParsePointList(Eval("[range(7, 9), array.array('d', [0.25, -3])]"));
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0], cv::Point2f(7, 8));
    EXPECT_EQ(points[1], cv::Point2f(0.25f, -3));
}

TEST_F(Conversions, PointListPropagatesPythonErrors) {
    try {
        (void)ParsePointList(Eval("[(1, 2), 5]"));
        FAIL() << "a number item accepted";
    } catch (py::error_already_set& e) {
        EXPECT_TRUE(e.matches(PyExc_TypeError));
    }
    EXPECT_THROW((void)ParsePointList(Eval("[('x', 1)]")), py::cast_error);
}

TEST_F(Conversions, ResultsAreFreshTuplesAndLists) {
    const py::tuple point = PointToTuple({1.5f, -2});
    EXPECT_TRUE(point.equal(Eval("(1.5, -2.0)")));
    EXPECT_TRUE(py::isinstance<py::float_>(point[1]));
    EXPECT_TRUE(RectToTuple({1, 2, 3, 4}).equal(Eval("(1, 2, 3, 4)")));
    EXPECT_TRUE(PointListToList({{1, 2}, {3, 4}}).equal(Eval("[(1.0, 2.0), (3.0, 4.0)]")));
    EXPECT_TRUE(PointListToList({}).equal(Eval("[]")));
}

}  // namespace

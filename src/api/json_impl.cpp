// Boost.JSON's compiled part, in this one translation unit; every other
// source includes <boost/json.hpp>.
#include <boost/json/src.hpp>

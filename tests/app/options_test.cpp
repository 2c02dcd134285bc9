#include "app/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Arguments = std::vector<std::u16string>;

// Parses a whole command line the way the entry point does when no console request intervenes.
SetupOptions ParseAll(Arguments arguments) {
  SetupOptions options;
  std::size_t next = 0;
  for (;;) {
    const ParseStop stop = ParseArguments(arguments, next, options);
    if (stop.request == ConsoleRequest::None) break;
    next = stop.index + 1;
  }
  return options;
}

TEST(SetupOptionsTest, OptionNamesMatchAfterFoldingAsciiLettersOnly) {
  for (const std::u16string spelling : {u"/silent", u"/SILENT", u"/Silent", u"/sIlEnT"}) {
    EXPECT_TRUE(ParseAll({u"setup.exe", spelling}).silent) << std::string(spelling.begin(), spelling.end());
  }
  // U+0130 (capital I with dot) is not an ASCII letter: the argument stays unknown.
  Arguments arguments = {u"setup.exe", u"/S\u0130LENT"};
  SetupOptions options;
  const ParseStop stop = ParseArguments(arguments, 0, options);
  EXPECT_FALSE(options.silent);
  EXPECT_EQ(stop.request, ConsoleRequest::UnsupportedParameter);
  EXPECT_EQ(stop.index, 1u);
  EXPECT_EQ(arguments[1], u"/s\u0130lent");
}

TEST(SetupOptionsTest, LanguageValuesAccumulateAndKeepTheirCase) {
  const SetupOptions options = ParseAll({u"setup.exe", u"/language", u"de-DE;en-US", u"/LANGUAGE", u"fr-FR"});
  EXPECT_EQ(options.languageCodes, (std::vector<std::u16string>{u"de-DE", u"en-US", u"fr-FR"}));
}

TEST(SetupOptionsTest, LanguageValueSplitting) {
  struct Case {
    std::u16string value;
    std::vector<std::u16string> pieces;
  };
  const Case cases[] = {
      {u"de-DE", {u"de-DE"}},
      {u"de-DE;en-US", {u"de-DE", u"en-US"}},
      {u"de-DE;", {u"de-DE"}},
      {u";en-US", {u"", u"en-US"}},
      {u"a;;b", {u"a", u"", u"b"}},
      {u";", {u""}},
      {u"", {u""}},
      {u"all", {u"all"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitLanguageValue(c.value), c.pieces) << std::string(c.value.begin(), c.value.end());
  }
}

TEST(SetupOptionsTest, OptionsWithoutValueChangeNothing) {
  const SetupOptions options = ParseAll({u"setup.exe", u"/logbp", u"/silent", u"/language", u"/loglp"});
  EXPECT_TRUE(options.basePackageLogPath.empty());
  EXPECT_TRUE(options.langPackLogPath.empty());
  EXPECT_TRUE(options.languageCodes.empty());
  EXPECT_TRUE(options.silent);
}

TEST(SetupOptionsTest, LogPathsKeepTheirCaseAndTheLastOneWins) {
  const SetupOptions options =
      ParseAll({u"setup.exe", u"/logbp", u"C:\\Logs\\First.log", u"/LogBP", u"C:\\Logs\\Main.LOG", u"/loglp",
                u"D:\\Packs.Log"});
  EXPECT_EQ(options.basePackageLogPath, u"C:\\Logs\\Main.LOG");
  EXPECT_EQ(options.langPackLogPath, u"D:\\Packs.Log");
}

TEST(SetupOptionsTest, PropertyListsCollectFollowingArgumentsWithTrailingBlanks) {
  SetupOptions options = ParseAll({u"setup.exe", u"/lpprops", u"A=1", u"B=2", u"/silent"});
  EXPECT_EQ(options.langPackProperties, u"A=1 B=2 ");
  EXPECT_TRUE(options.silent);

  options = ParseAll({u"setup.exe", u"/lpprops", u"A=1", u"/lpprops", u"C=3"});
  EXPECT_EQ(options.langPackProperties, u"C=3 ");

  options = ParseAll({u"setup.exe", u"/bpprops", u"Path=C:\\Mixed Case", u"X=\"q\""});
  EXPECT_EQ(options.basePackageProperties, u"Path=C:\\Mixed Case X=\"q\" ");

  options = ParseAll({u"setup.exe", u"/bpprops"});
  EXPECT_EQ(options.basePackageProperties, u"");
}

TEST(SetupOptionsTest, ValuesAreLowerCasedLaterButTheCopiesKeepTheirCase) {
  Arguments arguments = {u"C:\\Setup.EXE", u"/language", u"de-DE"};
  SetupOptions options;
  ParseArguments(arguments, 0, options);
  EXPECT_EQ(options.languageCodes, (std::vector<std::u16string>{u"de-DE"}));
  EXPECT_EQ(arguments, (Arguments{u"c:\\setup.exe", u"/language", u"de-de"}));
}

TEST(SetupOptionsTest, ConsoleRequestsStopTheLoopWhereTheyStand) {
  Arguments arguments = {u"setup.exe", u"/silent", u"/foo", u"/supportedlang", u"/reducedui"};
  SetupOptions options;
  ParseStop stop = ParseArguments(arguments, 0, options);
  EXPECT_EQ(stop.request, ConsoleRequest::UnsupportedParameter);
  EXPECT_EQ(stop.index, 2u);
  EXPECT_TRUE(options.silent);

  stop = ParseArguments(arguments, stop.index + 1, options);
  EXPECT_EQ(stop.request, ConsoleRequest::SupportedLanguages);
  EXPECT_EQ(stop.index, 3u);
  EXPECT_FALSE(options.reducedUi);

  stop = ParseArguments(arguments, stop.index + 1, options);
  EXPECT_EQ(stop.request, ConsoleRequest::None);
  EXPECT_TRUE(options.reducedUi);
}

TEST(SetupOptionsTest, ArgumentsNotBeginningWithSlashArePassedOver) {
  const SetupOptions options = ParseAll({u"setup.exe", u"--force-shell-restart", u"", u"silent", u"-silent"});
  EXPECT_FALSE(options.silent);
  EXPECT_TRUE(options.languageCodes.empty());
}

TEST(SetupOptionsTest, HostileArgumentsAreHandledSafely) {
  Arguments arguments = {u"", u"/", std::u16string(32000, u'A'), u"\"", u"\\\\"};
  SetupOptions options;
  const ParseStop stop = ParseArguments(arguments, 0, options);
  EXPECT_EQ(stop.request, ConsoleRequest::UnsupportedParameter);
  EXPECT_EQ(stop.index, 1u);
  const ParseStop rest = ParseArguments(arguments, 2, options);
  EXPECT_EQ(rest.request, ConsoleRequest::None);
  EXPECT_EQ(arguments[2], std::u16string(32000, u'a'));

  // An empty argument after "/language" is a value: one empty code that the run refuses later.
  EXPECT_EQ(ParseAll({u"setup.exe", u"/language", u""}).languageCodes, (std::vector<std::u16string>{u""}));
  // A value may itself look like an option name without the slash.
  EXPECT_EQ(ParseAll({u"setup.exe", u"/logbp", u"silent"}).basePackageLogPath, u"silent");
}

}  // namespace

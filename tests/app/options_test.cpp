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

TEST(SetupOptionsTest, OptionsWithoutValueChangeNothingAndAreReported) {
  const SetupOptions options = ParseAll({u"setup.exe", u"/logbp", u"/silent", u"/language", u"/loglp", u"/log"});
  EXPECT_TRUE(options.basePackageLogPath.empty());
  EXPECT_TRUE(options.langPackLogPath.empty());
  EXPECT_TRUE(options.languageCodes.empty());
  EXPECT_TRUE(options.logPath.empty());
  EXPECT_TRUE(options.silent);

  Arguments arguments = {u"setup.exe", u"/unattended", u"/LOG", u"/language", u"de-DE"};
  EXPECT_TRUE(HasUnattendedOption(arguments));
  SetupOptions parsed;
  const ParseStop stop = ParseArguments(arguments, 0, parsed);
  EXPECT_EQ(stop.request, ConsoleRequest::MissingValue);
  EXPECT_EQ(stop.index, 2u);
  EXPECT_TRUE(parsed.unattended);
  EXPECT_FALSE(HasUnattendedOption({u"setup.exe", u"/unattendedx", u"unattended"}));
  EXPECT_EQ(LogPathOption({u"setup.exe", u"/Log", u"C:\\Logs\\A.log", u"/log", u"/silent"}), u"C:\\Logs\\A.log");
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

  options = ParseAll({u"setup.exe", u"/bpprops"});
  EXPECT_EQ(options.basePackageProperties, u"");
}

// Each argument reaches Windows Installer as the one property it names, with its whole value.
TEST(SetupOptionsTest, EachPropertyArgumentStaysOneProperty) {
  struct Case {
    std::u16string argument;
    std::u16string property;  // empty: refused
  };
  const Case cases[] = {
      {u"A=1", u"A=1"},
      {u"Path=C:\\Mixed\\Case", u"Path=C:\\Mixed\\Case"},
      {u"INSTALLDIR=C:\\My Apps\\Orvex", u"INSTALLDIR=\"C:\\My Apps\\Orvex\""},
      {u"COMPANYNAME=Acme INSTALLDIR=C:\\evil", u"COMPANYNAME=\"Acme INSTALLDIR=C:\\evil\""},
      {u"NOTE=a\"b", u"NOTE=\"a\"\"b\""},
      {u"X=\"q\"", u"X=\"\"\"q\"\"\""},
      {u"TAB=a\tb", u"TAB=\"a\tb\""},
      {u"EMPTY=", u"EMPTY=\"\""},
      {u"_P.1=x=y", u"_P.1=x=y"},
      {u"NOEQUALS", u""},
      {u"=value", u""},
      {u"1ST=x", u""},
      {u"A B=c", u""},
      {u"A\"=c", u""},
  };
  for (const Case& c : cases) {
    std::u16string property;
    EXPECT_EQ(QuoteProperty(c.argument, property), !c.property.empty()) << std::string(c.argument.begin(), c.argument.end());
    if (!c.property.empty()) {
      EXPECT_EQ(property, c.property);
    }
  }
  // A refused argument stops the parse there, like an unknown option; the others stay.
  Arguments arguments = {u"setup.exe", u"/bpprops", u"A=1", u"BAD", u"B=2", u"/silent"};
  SetupOptions options;
  const ParseStop stop = ParseArguments(arguments, 0, options);
  EXPECT_EQ(stop.request, ConsoleRequest::UnsupportedParameter);
  EXPECT_EQ(stop.index, 3u);
  EXPECT_EQ(options.basePackageProperties, u"A=1 B=2 ");
  EXPECT_EQ(ParseArguments(arguments, stop.index + 1, options).request, ConsoleRequest::None);
  EXPECT_TRUE(options.silent);
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

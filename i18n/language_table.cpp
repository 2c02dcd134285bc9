#include "i18n/language_table.h"

const LanguageEntry kLanguages[kLanguageCount] = {
    {u"da-DK", u"Dansk", 205},
    {u"de-DE", u"Deutsch", 207},
    {u"en-GB", u"English", 215},
    {u"en-US", u"English", 216},
    {u"es-ES", u"Español", 214},
    {u"fr-FR", u"Français", 206},
    {u"it-IT", u"Italiano", 208},
    {u"ja-JP", u"日本語", 209},
    {u"ko-KR", u"한국어", 210},
    {u"nl-NL", u"Nederlands", 211},
    {u"pl-PL", u"Polski", 212},
    {u"pt-BR", u"Português", 203},
    {u"ru-RU", u"Русский", 213},
    {u"zh-CN", u"中文", 204},
};

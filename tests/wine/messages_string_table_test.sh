#!/bin/bash
# The string table of the setup (resources/strings.rc: messages 104 to 106 in 13 resource
# languages) as the Windows resource loader resolves it for a user's interface language: the
# block of that language, or of the same language without a country, never one the program
# chooses. strings_probe.exe carries the same table and writes what LoadStringW gives.
#
# Usage: messages_string_table_test.sh STRINGS-PROBE
# Needs BENCH_TOOLS and BENCH_WORK, like every Wine test.

source "$(dirname "$0")/bench.sh"

if (($# != 1)); then
  echo "usage: $0 STRINGS-PROBE" >&2
  exit 2
fi
probe=$1

# load_strings USER: runs the probe for a user with that Windows language; TEXT_104, TEXT_105 and
# TEXT_106 hold what it loaded.
load_strings() {
  local folder=$BENCH_RUN/strings.$1 id
  mkdir -p "$folder"
  bench_set_language "$1"
  bench_run "$probe" "$(bench_winpath "$folder")"
  expect_exit 0 "$1 user: the probe wrote the strings"
  for id in 104 105 106; do
    local -n text=TEXT_$id
    text=$(cat "$folder/$id.txt" 2>/dev/null; printf x)
    text=${text%x}
  done
}

bench_prefix

# Message 104 of each resource language, for a user of that language (the language's own block,
# or its block without a country) and for users of the same language in other countries; users of
# a language the table lacks get English, not the first block of the file (Chinese).
while IFS='|' read -r user expected; do
  load_strings "$user"
  expect_eq "$expected" "$TEXT_104" "$user user: message 104"
done <<'TABLE'
zh_CN|不满足系统要求
en_US|System requirements are not met
en_GB|System requirements are not met
es_ES|No se cumplen los requisitos del sistema
es_MX|No se cumplen los requisitos del sistema
fr_FR|La configuration système requise n'est pas respectée
fr_CA|La configuration système requise n'est pas respectée
it_IT|Requisiti di sistema non soddisfatti
nl_NL|Er wordt niet voldaan aan de systeemvereisten
nl_BE|Er wordt niet voldaan aan de systeemvereisten
da_DK|Systemkravene er ikke opfyldt
de_DE|Die Systemvoraussetzungen sind nicht erfüllt
de_AT|Die Systemvoraussetzungen sind nicht erfüllt
ja_JP|システム要件を満たしていません
ko_KR|시스템 요구 사항을 충족하지 않습니다
pl_PL|Wymagania systemowe nie są spełnione
pt_BR|Os requisitos do sistema não foram atendidos
pt_PT|Os requisitos do sistema não foram atendidos
sv_SE|System requirements are not met
ru_RU|Система не соответствует требованиям
TABLE

# All three messages, line breaks included.
load_strings en_US
expect_eq "System requirements are not met" "$TEXT_104" "en_US user: message 104"
expect_eq $'Your Windows version is not supported by this product.\r\n\r\nYou need at least Windows XP with Service Pack 2 or newer, or Windows Vista, to install this product.' \
  "$TEXT_105" "en_US user: message 105"
expect_eq $'You must update your version of Windows XP before you can install this product.\r\n\r\nPlease install Service Pack 2 (or newer) for Windows XP and then restart the installation of Orvex Utilities 2011.\r\n\r\nWould you like to go to the Windows Update web site now?' \
  "$TEXT_106" "en_US user: message 106"

load_strings de_DE
expect_eq $'Ihre Windows-Version wird von diesem Produkt nicht unterstützt.\r\n\r\nZur Installation dieses Produkts benötigen Sie mindestens Windows XP mit Service Pack 2 (oder höher) oder Windows Vista.' \
  "$TEXT_105" "de_DE user: message 105"
expect_eq $'Sie müssen Ihre Version von Windows XP aktualisieren, bevor Sie dieses Produkt installieren können.\r\n\r\nInstallieren Sie bitte Service Pack 2 (oder höher) für Windows XP, und starten Sie anschließend die Installation von Orvex Utilities 2011 erneut.\r\n\r\nMöchten Sie jetzt die Windows Update-Website aufrufen?' \
  "$TEXT_106" "de_DE user: message 106"

load_strings ja_JP
expect_eq $'お使いのバージョンの Windows は、この製品ではサポートされていません。\r\n\r\nこの製品をインストールするには、少なくとも Windows XP Service Pack 2 以降、または Windows Vista が必要です。' \
  "$TEXT_105" "ja_JP user: message 105"
expect_eq $'この製品をインストールする前に、お使いのバージョンの Windows XP を更新する必要があります。\r\n\r\nWindows XP 用の Service Pack 2 (またはそれ以降) をインストールしてから、Orvex Utilities 2011 のインストールをもう一度開始してください。\r\n\r\n今すぐ Windows Update の Web サイトに移動しますか?' \
  "$TEXT_106" "ja_JP user: message 106"

bench_done

#include "i18n/language_texts.h"

#include <array>
#include <iterator>

#include "base/product.h"

LanguageTextMap LanguageTexts[kTextFieldCount];

namespace {

// The thirteen texts of one language, in the order of `TextField`.
using TextRow = std::array<const char16_t*, kTextFieldCount>;

// The message fields are printf-style patterns whose arguments always arrive in the
// order of the English text, so every translation keeps the English "%s" order and
// the English line breaks.

constexpr TextRow kGerman = {
    u"Orvex Utilities 2011-Installation",
    u"Sprache:",
    u"Weiter",
    u"Benutzerdefiniert installieren",
    u"Willkommen zur Installation von Orvex Utilities 2011",
    u"Wir empfehlen Ihnen, vor der Installation alle Dateien zu speichern und alle Programme "
    u"zu schließen.",
    u"%s Version %s ist bereits installiert. Sie müssen die vorhandene Version entfernen, "
    u"bevor Sie %s Version %s installieren.\r\n\r\nMöchten Sie die vorhandene Version von %s "
    u"deinstallieren?",
    u"%s ist bereits installiert.\r\n\r\nMöchten Sie %s nun deinstallieren?",
    u"Die Installation von %s Version %s kann nicht durchgeführt werden, da bereits eine "
    u"neuere Version von %s installiert ist.",
    u"Die Installation von %s kann nicht durchgeführt werden, da der Installationsvorgang "
    u"eines anderen Orvex-Produkts noch nicht abgeschlossen ist. Dazu ist ein Neustart des "
    u"Computers erforderlich.\r\n\r\nMöchten Sie Ihren Computer jetzt neu starten?",
    u"Ihre installierte Orvex Utilities Version wird automatisch deinstalliert.",
    u"Sind Sie sicher, dass die Installation von Orvex Utilities 2011 abgebrochen werden soll?",
    u"Sie können später wieder problemlos zu Orvex Utilities 2010 zurückkehren, indem Sie es "
    u"erneut installieren.\nOrvex Utilities 2011 enthält alle Funktionen der Vorversion und "
    u"darüber hinaus bahnbrechende neue Funktionen.",
};

// Danish dialog controls and messages; the title, heading, upgrade notice and cancel
// question of the Danish row are the German texts.
constexpr TextRow kDanish = {
    kGerman[0],
    u"Sprog:",
    u"Næste",
    u"Brugerdefineret installation",
    kGerman[4],
    u"Før installationen anbefaler vi, at du gemmer alle filer og lukker alle programmer.",
    u"%s version %s er allerede installeret. Du skal fjerne den eksisterende version, før du "
    u"installerer %s version %s.\r\n\r\nVil du afinstallere den eksisterende version af %s?",
    u"%s er allerede installeret.\r\n\r\nVil du afinstallere %s nu?",
    u"%s version %s kan ikke installeres, fordi en nyere version af %s allerede er "
    u"installeret.",
    u"%s kan ikke installeres, fordi installationen af et andet Orvex-produkt endnu ikke er "
    u"fuldført. Du skal genstarte computeren for at fuldføre installationen.\r\n\r\nVil du "
    u"genstarte computeren nu?",
    kGerman[10],
    kGerman[11],
    kGerman[12],
};

constexpr TextRow kEnglish = {
    u"Orvex Utilities 2011 Installation",
    u"Language:",
    u"Next",
    u"Custom installation",
    u"Welcome to the installation of Orvex Utilities 2011",
    u"Before installation, we recommend that you save all files and close all programs.",
    u"%s version %s is already installed. You must remove the existing version before you "
    u"install %s version %s.\r\n\r\nWould you like to uninstall the existing version of %s?",
    u"%s is already installed.\r\n\r\nWould you like to uninstall %s now?",
    u"%s version %s cannot be installed because a more recent version of %s is already "
    u"installed.",
    u"You cannot install %s because the installation of another Orvex product is not "
    u"completed yet. You need to restart your computer to complete the installation.\r\n\r\n"
    u"Would you like to restart your computer now?",
    u"Your currently installed version of Orvex Utilities will be automatically removed.",
    u"Are you sure you want to cancel the installation of Orvex Utilities 2011?",
    u"You can easily return to your current version of Orvex Utilities 2010 at a later stage "
    u"by reinstalling it.\nOrvex Utilities 2011 includes all functions of the previous version "
    u"with additional brand new functions.",
};

constexpr TextRow kSpanish = {
    u"Instalación de Orvex Utilities 2011",
    u"Idioma:",
    u"Siguiente",
    u"Instalar definido por el usuario",
    u"Bienvenido a la instalación de Orvex Utilities 2011",
    u"Antes de la instalación, le recomendamos que guarde todos los archivos y cierre todos "
    u"los programas.",
    u"%s versión %s ya está instalado. Debe quitar la versión existente antes de instalar %s "
    u"versión %s.\r\n\r\n¿Desea desinstalar la versión existente de %s?",
    u"%s ya está instalado.\r\n\r\n¿Desea desinstalar %s ahora?",
    u"No se puede instalar %s versión %s porque ya hay instalada una versión más reciente "
    u"de %s.",
    u"No se puede instalar %s porque la instalación de otro producto de Orvex aún no ha "
    u"finalizado. Debe reiniciar el equipo para completar la instalación.\r\n\r\n¿Desea "
    u"reiniciar el equipo ahora?",
    u"La versión de Orvex Utilities instalada actualmente se quitará automáticamente.",
    u"¿Está seguro de que desea cancelar la instalación de Orvex Utilities 2011?",
    u"Más adelante podrá volver fácilmente a su versión actual de Orvex Utilities 2010 "
    u"reinstalándola.\nOrvex Utilities 2011 incluye todas las funciones de la versión "
    u"anterior, además de funciones completamente nuevas.",
};

constexpr TextRow kFrench = {
    u"Installation de Orvex Utilities 2011",
    u"Langue :",
    u"Suivant",
    u"Installation personnalisée",
    u"Bienvenue dans l'installation d'Orvex Utilities 2011",
    u"Avant l'installation, nous vous recommandons d'enregistrer tous les fichiers et de "
    u"fermer tous les programmes.",
    u"%s version %s est déjà installé. Vous devez supprimer la version existante avant "
    u"d'installer %s version %s.\r\n\r\nVoulez-vous désinstaller la version existante d'%s ?",
    u"%s est déjà installé.\r\n\r\nVoulez-vous désinstaller %s maintenant ?",
    u"Impossible d'installer %s version %s, car une version plus récente d'%s est déjà "
    u"installée.",
    u"Impossible d'installer %s, car l'installation d'un autre produit Orvex n'est pas encore "
    u"terminée. Vous devez redémarrer votre ordinateur pour terminer l'installation.\r\n\r\n"
    u"Voulez-vous redémarrer votre ordinateur maintenant ?",
    u"La version d'Orvex Utilities actuellement installée sera automatiquement supprimée.",
    u"Voulez-vous vraiment annuler l'installation d'Orvex Utilities 2011 ?",
    u"Vous pourrez facilement revenir ultérieurement à votre version actuelle d'Orvex "
    u"Utilities 2010 en la réinstallant.\nOrvex Utilities 2011 comprend toutes les fonctions "
    u"de la version précédente, ainsi que de toutes nouvelles fonctions.",
};

constexpr TextRow kItalian = {
    u"Installazione Orvex Utilities 2011",
    u"Lingua:",
    u"Avanti",
    u"Installare come definito dall'utente",
    u"Benvenuti nell'installazione di Orvex Utilities 2011",
    u"Prima dell'installazione si consiglia di salvare tutti i file e di chiudere tutti i "
    u"programmi.",
    u"%s versione %s è già installato. È necessario rimuovere la versione esistente prima di "
    u"installare %s versione %s.\r\n\r\nDisinstallare la versione esistente di %s?",
    u"%s è già installato.\r\n\r\nDisinstallare %s ora?",
    u"Impossibile installare %s versione %s perché è già installata una versione più recente "
    u"di %s.",
    u"Impossibile installare %s perché l'installazione di un altro prodotto Orvex non è "
    u"ancora stata completata. Per completare l'installazione è necessario riavviare il "
    u"computer.\r\n\r\nRiavviare il computer ora?",
    u"La versione di Orvex Utilities attualmente installata verrà rimossa automaticamente.",
    u"Annullare davvero l'installazione di Orvex Utilities 2011?",
    u"In un secondo momento sarà possibile tornare facilmente alla versione attuale di Orvex "
    u"Utilities 2010 reinstallandola.\nOrvex Utilities 2011 include tutte le funzioni della "
    u"versione precedente, oltre a funzioni completamente nuove.",
};

constexpr TextRow kJapanese = {
    // The blank before the word for installation is an ideographic space (U+3000).
    u"Orvex Utilities 2011　インストール",
    u"言語:",
    u"次へ",
    u"カスタム インストール",
    u"Orvex Utilities 2011 のインストールへようこそ",
    u"インストールの前に、すべてのファイルを保存し、すべてのプログラムを終了することをお勧めします。",
    u"%s バージョン %s は既にインストールされています。%s バージョン %s をインストールする前に、"
    u"既存のバージョンを削除する必要があります。\r\n\r\n%s の既存のバージョンをアンインストール"
    u"しますか?",
    u"%s は既にインストールされています。\r\n\r\n%s を今すぐアンインストールしますか?",
    u"%s バージョン %s は、%s のより新しいバージョンが既にインストールされているため、"
    u"インストールできません。",
    u"別の Orvex 製品のインストールがまだ完了していないため、%s をインストールできません。"
    u"インストールを完了するには、コンピューターを再起動する必要があります。\r\n\r\n"
    u"今すぐコンピューターを再起動しますか?",
    u"現在インストールされているバージョンの Orvex Utilities は自動的に削除されます。",
    u"Orvex Utilities 2011 のインストールをキャンセルしてもよろしいですか?",
    u"後で再インストールすれば、現在のバージョンの Orvex Utilities 2010 に簡単に戻すことが"
    u"できます。\nOrvex Utilities 2011 には、以前のバージョンのすべての機能に加えて、まったく"
    u"新しい機能が含まれています。",
};

constexpr TextRow kKorean = {
    u"Orvex Utilities 2011 설치",
    u"언어:",
    u"다음",
    u"사용자 지정 설치",
    u"Orvex Utilities 2011 설치에 오신 것을 환영합니다",
    u"설치하기 전에 모든 파일을 저장하고 모든 프로그램을 닫는 것이 좋습니다.",
    u"%s 버전 %s이(가) 이미 설치되어 있습니다. %s 버전 %s을(를) 설치하려면 먼저 기존 버전을 "
    u"제거해야 합니다.\r\n\r\n%s의 기존 버전을 제거하시겠습니까?",
    u"%s이(가) 이미 설치되어 있습니다.\r\n\r\n지금 %s을(를) 제거하시겠습니까?",
    u"%s 버전 %s은(는) 더 최신 버전의 %s이(가) 이미 설치되어 있으므로 설치할 수 없습니다.",
    u"다른 Orvex 제품의 설치가 아직 완료되지 않았으므로 %s을(를) 설치할 수 없습니다. 설치를 "
    u"완료하려면 컴퓨터를 다시 시작해야 합니다.\r\n\r\n지금 컴퓨터를 다시 시작하시겠습니까?",
    u"현재 설치되어 있는 Orvex Utilities 버전이 자동으로 제거됩니다.",
    u"Orvex Utilities 2011 설치를 정말 취소하시겠습니까?",
    u"나중에 다시 설치하면 현재 버전인 Orvex Utilities 2010으로 쉽게 되돌아갈 수 있습니다.\n"
    u"Orvex Utilities 2011에는 이전 버전의 모든 기능과 함께 완전히 새로운 기능이 추가로 포함되어 "
    u"있습니다.",
};

constexpr TextRow kDutch = {
    u"Orvex Utilities 2011-Installatie",
    u"Taal:",
    u"Volgende",
    u"Door gebruiker gedefinieerd installeren",
    u"Welkom bij de installatie van Orvex Utilities 2011",
    u"We raden u aan vóór de installatie alle bestanden op te slaan en alle programma's te "
    u"sluiten.",
    u"%s versie %s is al geïnstalleerd. U moet de bestaande versie verwijderen voordat u %s "
    u"versie %s installeert.\r\n\r\nWilt u de bestaande versie van %s verwijderen?",
    u"%s is al geïnstalleerd.\r\n\r\nWilt u %s nu verwijderen?",
    u"%s versie %s kan niet worden geïnstalleerd, omdat er al een recentere versie van %s is "
    u"geïnstalleerd.",
    u"%s kan niet worden geïnstalleerd, omdat de installatie van een ander Orvex-product nog "
    u"niet is voltooid. U moet de computer opnieuw opstarten om de installatie te voltooien."
    u"\r\n\r\nWilt u de computer nu opnieuw opstarten?",
    u"De momenteel geïnstalleerde versie van Orvex Utilities wordt automatisch verwijderd.",
    u"Weet u zeker dat u de installatie van Orvex Utilities 2011 wilt annuleren?",
    u"U kunt later eenvoudig terugkeren naar uw huidige versie van Orvex Utilities 2010 door "
    u"deze opnieuw te installeren.\nOrvex Utilities 2011 bevat alle functies van de vorige "
    u"versie, aangevuld met gloednieuwe functies.",
};

constexpr TextRow kPolish = {
    u"Orvex Utilities 2011 – Instalacja",
    u"Język:",
    u"Dalej",
    u"Instalacja niestandardowa",
    u"Witamy w instalacji programu Orvex Utilities 2011",
    u"Przed rozpoczęciem instalacji zalecamy zapisanie wszystkich plików i zamknięcie "
    u"wszystkich programów.",
    u"Program %s w wersji %s jest już zainstalowany. Przed zainstalowaniem programu %s w "
    u"wersji %s należy usunąć istniejącą wersję.\r\n\r\nCzy chcesz odinstalować istniejącą "
    u"wersję programu %s?",
    u"Program %s jest już zainstalowany.\r\n\r\nCzy chcesz teraz odinstalować program %s?",
    u"Nie można zainstalować programu %s w wersji %s, ponieważ jest już zainstalowana nowsza "
    u"wersja programu %s.",
    u"Nie można zainstalować programu %s, ponieważ instalacja innego produktu firmy Orvex nie "
    u"została jeszcze ukończona. Aby ukończyć instalację, należy ponownie uruchomić komputer."
    u"\r\n\r\nCzy chcesz teraz ponownie uruchomić komputer?",
    u"Zainstalowana wersja programu Orvex Utilities zostanie automatycznie usunięta.",
    u"Czy na pewno chcesz anulować instalację programu Orvex Utilities 2011?",
    u"W późniejszym czasie możesz łatwo powrócić do obecnej wersji programu Orvex Utilities "
    u"2010, instalując ją ponownie.\nOrvex Utilities 2011 zawiera wszystkie funkcje poprzedniej "
    u"wersji oraz zupełnie nowe funkcje.",
};

constexpr TextRow kPortugueseBrazil = {
    u"Orvex Utilities 2011-Instalação",
    u"Idioma:",
    u"Avançar",
    u"Instalação personalizada",
    u"Bem-vindo à instalação do Orvex Utilities 2011",
    u"Antes da instalação, recomendamos que você salve todos os arquivos e feche todos os "
    u"programas.",
    u"%s versão %s já está instalado. Você precisa remover a versão existente antes de "
    u"instalar %s versão %s.\r\n\r\nDeseja desinstalar a versão existente do %s?",
    u"%s já está instalado.\r\n\r\nDeseja desinstalar %s agora?",
    u"Não é possível instalar %s versão %s porque uma versão mais recente do %s já está "
    u"instalada.",
    u"Não é possível instalar %s porque a instalação de outro produto Orvex ainda não foi "
    u"concluída. Você precisa reiniciar o computador para concluir a instalação.\r\n\r\n"
    u"Deseja reiniciar o computador agora?",
    u"A versão do Orvex Utilities instalada atualmente será removida automaticamente.",
    u"Tem certeza de que deseja cancelar a instalação do Orvex Utilities 2011?",
    u"Mais tarde, você poderá voltar facilmente à sua versão atual do Orvex Utilities 2010 "
    u"reinstalando-a.\nO Orvex Utilities 2011 inclui todas as funções da versão anterior, além "
    u"de funções totalmente novas.",
};

constexpr TextRow kRussian = {
    u"Инсталляция Orvex Utilities 2011",
    u"Язык:",
    u"Далее",
    u"Установка по выбору пользователя",
    u"Добро пожаловать в программу установки Orvex Utilities 2011",
    u"Перед установкой рекомендуется сохранить все файлы и закрыть все программы.",
    u"Продукт %s версии %s уже установлен. Перед установкой продукта %s версии %s необходимо "
    u"удалить существующую версию.\r\n\r\nУдалить существующую версию продукта %s?",
    u"Продукт %s уже установлен.\r\n\r\nУдалить продукт %s сейчас?",
    u"Невозможно установить продукт %s версии %s, так как уже установлена более новая версия "
    u"продукта %s.",
    u"Невозможно установить продукт %s, так как установка другого продукта Orvex еще не "
    u"завершена. Для завершения установки необходимо перезагрузить компьютер.\r\n\r\n"
    u"Перезагрузить компьютер сейчас?",
    u"Установленная в настоящее время версия Orvex Utilities будет автоматически удалена.",
    u"Вы действительно хотите отменить установку Orvex Utilities 2011?",
    u"Впоследствии вы сможете легко вернуться к текущей версии Orvex Utilities 2010, установив "
    u"ее повторно.\nOrvex Utilities 2011 включает все функции предыдущей версии, а также "
    u"совершенно новые функции.",
};

constexpr TextRow kChinese = {
    u"Orvex Utilities 2011 安装",
    u"语言：",
    u"下一步",
    u"自定义安装",
    u"欢迎安装 Orvex Utilities 2011",
    u"安装之前，建议您保存所有文件并关闭所有程序。",
    u"已安装 %s 版本 %s。必须先删除现有版本，才能安装 %s 版本 %s。\r\n\r\n是否要卸载 %s 的现有"
    u"版本？",
    u"已安装 %s。\r\n\r\n是否要立即卸载 %s？",
    u"无法安装 %s 版本 %s，因为已安装较新版本的 %s。",
    u"无法安装 %s，因为另一个 Orvex 产品的安装尚未完成。您需要重新启动计算机以完成该安装。"
    u"\r\n\r\n是否要立即重新启动计算机？",
    u"当前安装的 Orvex Utilities 版本将自动卸载。",
    u"确实要取消 Orvex Utilities 2011 的安装吗？",
    u"以后您可以通过重新安装，轻松恢复到当前版本的 Orvex Utilities 2010。\nOrvex Utilities "
    u"2011 包含先前版本的所有功能，此外还提供了全新的功能。",
};

// Each language's row, by language index; cmake/product.cmake names the row of every language.
constexpr const TextRow* kRows[kLanguageCount] = {ORVEX_LANGUAGE_TEXT_ROWS};

}  // namespace

void BuildLanguageTexts() {
  for (std::size_t index = 0; index < kLanguageCount; ++index) {
    for (std::size_t field = 0; field < kTextFieldCount; ++field) {
      LanguageTexts[field][kLanguageCodes[index]] = (*kRows[index])[field];
    }
  }
}

const char16_t* LookupText(TextField field, const std::u16string& code) {
  const auto index = static_cast<std::size_t>(field);
  if (index >= kTextFieldCount) {
    return u"";
  }
  const LanguageTextMap& texts = LanguageTexts[index];
  const auto found = texts.find(code);
  return found == texts.end() ? u"" : found->second;
}

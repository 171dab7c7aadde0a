#include "host/cli/host_words.hpp"

#include <array>
#include <string_view>

#include "host/cli/translation.hpp"

namespace korvel::probekit::host {
namespace {

// Columns in the order of the descriptor's languages: Russian, Brazilian, Dutch, Japanese, French,
// Spanish, English, German, SimplifiedChinese.
using row = std::array<std::string_view, language_count>;
constexpr std::size_t english_column = 6;

constexpr std::array<row, 10> words{{
    {"Канал", "Canal", "Kanaal", "チャネル", "Canal", "Canal", "Channel", "Kanal", "通道"},
    {"Значение", "Valor", "Waarde", "値", "Valeur", "Valor", "Value", "Wert", "值"},
    {"Состояние", "Estado", "Status", "状態", "État", "Estado", "State", "Status", "状态"},
    {"Сообщение", "Mensagem", "Bericht", "メッセージ", "Message", "Mensaje", "Message", "Meldung", "消息"},
    {"в", "em", "om", "時刻", "à", "a las", "at", "um", "于"},
    {"скан", "varredura", "scan", "スキャン", "scan", "escaneo", "scan", "Scan", "扫描"},
    {"Имя", "Nome", "Naam", "名前", "Nom", "Nombre", "Name", "Name", "名称"},
    {"Ключ", "Chave", "Sleutel", "キー", "Clé", "Clave", "Key", "Schlüssel", "键"},
    {"Единица", "Unidade", "Eenheid", "単位", "Unité", "Unidad", "Unit", "Einheit", "单位"},
    {"Пределы", "Limites", "Grenzen", "制限値", "Limites", "Límites", "Limits", "Grenzwerte", "限值"},
}};

constexpr std::array<row, 4> severity_words{{
    {"OK", "OK", "OK", "OK", "OK", "OK", "OK", "OK", "正常"},
    {"Предупреждение", "Aviso", "Waarschuwing", "警告", "Avertissement", "Advertencia", "Warning", "Warnung",
     "警告"},
    {"Неизвестно", "Desconhecido", "Onbekend", "不明", "Inconnu", "Desconocido", "Unknown", "Unbekannt",
     "未知"},
    {"Ошибка", "Erro", "Fout", "エラー", "Erreur", "Error", "Error", "Fehler", "错误"},
}};

std::string in(const row& texts, const std::string& language) {
    return std::string(texts[language_index(language).value_or(english_column)]);
}

}  // namespace

std::string host_text(host_word word, const std::string& language) {
    return in(words[static_cast<std::size_t>(word)], language);
}

std::string severity_text(severity state, const std::string& language) {
    // The rows follow the enumeration: ok, warning, unknown, error.
    return in(severity_words[static_cast<std::size_t>(state)], language);
}

}  // namespace korvel::probekit::host

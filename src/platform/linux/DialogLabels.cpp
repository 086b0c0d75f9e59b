#include "platform/linux/DialogInternal.h"

namespace plat::detail {

namespace {
struct LanguageLabels
{
    uint16_t language;
    ButtonLabels labels;
};

// OK, Cancel, Yes, No, Abort, Retry, Ignore as the system dialogs of each language write them.
const LanguageLabels kLabels[] = {
    {1033, {L"OK", L"Cancel", L"Yes", L"No", L"Abort", L"Retry", L"Ignore"}},
    {2052, {L"确定", L"取消", L"是", L"否", L"中止", L"重试", L"忽略"}},
    {1028, {L"確定", L"取消", L"是", L"否", L"中止", L"重試", L"略過"}},
    {1043, {L"OK", L"Annuleren", L"Ja", L"Nee", L"Afbreken", L"Opnieuw", L"Negeren"}},
    {1036, {L"OK", L"Annuler", L"Oui", L"Non", L"Abandonner", L"Réessayer", L"Ignorer"}},
    {1031, {L"OK", L"Abbrechen", L"Ja", L"Nein", L"Abbrechen", L"Wiederholen", L"Ignorieren"}},
    {1040, {L"OK", L"Annulla", L"Sì", L"No", L"Interrompi", L"Riprova", L"Ignora"}},
    {1041, {L"OK", L"キャンセル", L"はい", L"いいえ", L"中止", L"再試行", L"無視"}},
    {3082, {L"Aceptar", L"Cancelar", L"Sí", L"No", L"Anular", L"Reintentar", L"Omitir"}},
    {2070, {L"OK", L"Cancelar", L"Sim", L"Não", L"Abortar", L"Repetir", L"Ignorar"}},
    {1042, {L"확인", L"취소", L"예", L"아니요", L"중단", L"다시 시도", L"무시"}},
    {1025, {L"موافق", L"إلغاء الأمر", L"نعم", L"لا", L"إيقاف", L"إعادة المحاولة", L"تجاهل"}},
    {1054, {L"ตกลง", L"ยกเลิก", L"ใช่", L"ไม่ใช่", L"ยุติ", L"ลองใหม่", L"ละเว้น"}},
    {1045, {L"OK", L"Anuluj", L"Tak", L"Nie", L"Przerwij", L"Ponów próbę", L"Ignoruj"}},
    {1053, {L"OK", L"Avbryt", L"Ja", L"Nej", L"Avbryt", L"Försök igen", L"Ignorera"}},
    {1086, {L"OK", L"Batal", L"Ya", L"Tidak", L"Henti Paksa", L"Cuba Semula", L"Abaikan"}},
    {1057, {L"OK", L"Batal", L"Ya", L"Tidak", L"Batalkan", L"Coba Lagi", L"Abaikan"}},
};
} // namespace

const ButtonLabels& LabelsFor(uint16_t language)
{
    for (const auto& entry : kLabels)
        if (entry.language == language)
            return entry.labels;
    return kLabels[0].labels;
}

std::vector<int> ButtonsFor(uint32_t flags)
{
    switch (flags & 0xF) {
    case kMB_OkCancel:
        return {kID_Ok, kID_Cancel};
    case kMB_AbortRetryIgnore:
        return {kID_Abort, kID_Retry, kID_Ignore};
    case kMB_YesNoCancel:
        return {kID_Yes, kID_No, kID_Cancel};
    case kMB_YesNo:
        return {kID_Yes, kID_No};
    case kMB_RetryCancel:
        return {kID_Retry, kID_Cancel};
    default:
        return {kID_Ok};
    }
}

const wchar_t* LabelOf(const ButtonLabels& labels, int id)
{
    switch (id) {
    case kID_Cancel:
        return labels.cancel;
    case kID_Abort:
        return labels.abort;
    case kID_Retry:
        return labels.retry;
    case kID_Ignore:
        return labels.ignore;
    case kID_Yes:
        return labels.yes;
    case kID_No:
        return labels.no;
    default:
        return labels.ok;
    }
}

int CloseAnswer(uint32_t flags)
{
    switch (flags & 0xF) {
    case kMB_Ok:
        return kID_Ok;
    case kMB_OkCancel:
    case kMB_YesNoCancel:
    case kMB_RetryCancel:
        return kID_Cancel;
    default:
        return 0; // Yes/No and Abort/Retry/Ignore must be answered with one of their buttons
    }
}

int CautiousAnswer(uint32_t flags)
{
    switch (flags & 0xF) {
    case kMB_OkCancel:
    case kMB_YesNoCancel:
    case kMB_RetryCancel:
        return kID_Cancel;
    case kMB_AbortRetryIgnore:
        return kID_Abort;
    case kMB_YesNo:
        return kID_No;
    default:
        return kID_Ok;
    }
}

} // namespace plat::detail

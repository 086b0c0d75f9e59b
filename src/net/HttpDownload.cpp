#include "net/HttpDownload.h"

#include <algorithm>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#include "log/Log.h"
#include "log/Paths.h"
#include "net/BaseRequest.h"
#include "net/DownloadBackEnd.h"
#include "net/DownloadFile.h"
#include "net/DownloadRange.h"
#include "net/DownloadSize.h"
#include "net/InternetRequest.h"
#include "net/WinHttpRequest.h"
#include "platform/Http.h"
#include "platform/System.h"

namespace {

constexpr int kMaxConnectionsPerServer = 50;

bool FolderExists(const std::wstring& path)
{
    const uint32_t attributes = plat::GetFileAttributes(path);
    return attributes != plat::kInvalidFileAttributes && (attributes & plat::kFileAttribute_Directory);
}

// WinHTTP with HEAD first, then WinINet with GET (its body is never read).
DownloadSizeAnswer QueryBothBackEnds(const std::wstring& url, int& size, long long& announced)
{
    CWinHttpRequest head;
    head.m_verb = L"HEAD";
    const DownloadSizeAnswer answer = QueryDownloadSize(head, url, size, announced);
    if (answer != DownloadSizeAnswer::kNone)
        return answer;
    CInternetRequest get;
    return QueryDownloadSize(get, url, size, announced);
}

} // namespace

bool HttpDownload(DownloadParam& param, DownloadCallback callback)
{
    CHttpDownload download(param, callback);
    return download.Download() == kDownloadResult_Ok;
}

int GetRemoteFileSize(const std::wstring& url)
{
    int size = 0;
    long long announced = 0;
    return QueryBothBackEnds(url, size, announced) == DownloadSizeAnswer::kSize ? size : 0;
}

CHttpDownload::CHttpDownload(DownloadParam& param, DownloadCallback callback)
    : m_param(&param), m_callback(callback)
{}

int CHttpDownload::Download()
{
    LOG_INFO("Download....");
    const uint64_t startSeconds = plat::GetTickCount64() / 1000;
    Notify(kDownload_Start, 0, 0);
    const int result = DownloadImp();
    const int elapsed = static_cast<int>(plat::GetTickCount64() / 1000 - startSeconds);
    LOG_INFO("HttpDownload,ret = %d (time = %d 秒)", result, elapsed);
    Notify(kDownload_Finish, result, elapsed);
    return result;
}

int CHttpDownload::DownloadImp()
{
    if (!CheckParam()) {
        LOG_INFO("ERR:CheckParam fail!");
        return kDownloadResult_BadParam;
    }
    if (!GetDownloadFileSize()) {
        LOG_INFO("ERR:GetDownloadFileSize fail!");
        return kDownloadResult_NoFileSize;
    }
    Notify(kDownload_FileSize, m_fileSize, 0);
    if (!DownLoadContent()) {
        LOG_INFO("ERR:DownLoadContent fail!");
        return kDownloadResult_ContentFailed;
    }
    return kDownloadResult_Ok;
}

bool CHttpDownload::CheckParam()
{
    if (m_param->nDownloadThread <= 0) {
        LOG_INFO("ERR:invalid param (nDownloadThread = %d)", m_param->nDownloadThread);
        return false;
    }
    if (m_param->strDownloadUrl.empty()) {
        LOG_INFO("ERR:invalid param (strDownloadUrl)");
        return false;
    }
    NormalizePath(m_param->strSavePath);
    const size_t separator = m_param->strSavePath.rfind(L'/');
    const std::wstring folder =
        separator == std::wstring::npos ? std::wstring() : m_param->strSavePath.substr(0, separator);
    if (!FolderExists(folder))
        CreateDirectories(folder);
    if (!FolderExists(folder)) {
        LOG_INFOW(L"ERR:make dir (%ls) fail!", folder.c_str());
        return false;
    }
    return true;
}

bool CHttpDownload::GetDownloadFileSize()
{
    LOG_INFO("GetDownloadFileSize....");
    long long announced = 0;
    const DownloadSizeAnswer answer = QueryBothBackEnds(m_param->strDownloadUrl, m_fileSize, announced);
    if (answer == DownloadSizeAnswer::kTooLarge) {
        LOG_INFO("ERR:file size %lld is 2 GiB or more, larger than a download can hold", announced);
        return false;
    }
    return answer == DownloadSizeAnswer::kSize;
}

bool CHttpDownload::DownLoadContent()
{
    const int requested = m_param->nDownloadThread;
    const int count = ClampDownloadThreads(requested);
    if (count == requested)
        LOG_INFO("DownLoadContent: ThreadNum = %d", count);
    else
        LOG_INFO("DownLoadContent: ThreadNum = %d (request thread num = %d)", count, requested);

    plat::FilePtr file = plat::OpenFile(m_param->strSavePath, "wb");
    if (!file) {
        LOG_INFOW(L"ERR:Open file fail! (%ls)", m_param->strSavePath.c_str());
        return false;
    }
    std::mutex lock;
    const std::vector<DownloadRange> ranges = SplitDownloadRanges(m_fileSize, count);
    std::vector<DownloadSegment> segments(ranges.size());
    std::vector<std::thread> workers;
    workers.reserve(ranges.size());
    for (size_t i = 0; i < ranges.size(); ++i) {
        DownloadSegment& segment = segments[i];
        segment.pOwner = this;
        segment.nBegin = ranges[i].nBegin;
        segment.nLength = ranges[i].nLength;
        segment.nIndex = static_cast<int>(i);
        segment.pFile = file.get();
        segment.pLock = &lock;
        try {
            workers.emplace_back(DownloadThreadProc, &segment);
        } catch (const std::system_error&) {
            LOG_INFO("ERR:start thread %d fail!", segment.nIndex);
        }
        DebugTrace("[%d] %d ~ %d,length = %d\n", segment.nIndex, segment.nBegin,
                   segment.nBegin + segment.nLength - 1, segment.nLength);
    }
    LOG_INFO("WaitForMultipleObjects...\n");
    for (std::thread& worker : workers)
        worker.join();
    LOG_INFO("WaitForMultipleObjects end! WaitRet=%d\n", 0);

    const bool whole = std::all_of(segments.begin(), segments.end(),
                                   [](const DownloadSegment& segment) { return segment.bSuccess; });
    // A file that cannot be closed cleanly may not hold what was written.
    const bool closed = std::fclose(file.release()) == 0;
    if (!closed)
        LOG_INFOW(L"ERR:close file fail! (%ls)", m_param->strSavePath.c_str());
    return whole && closed;
}

void CHttpDownload::DownloadThreadProc(DownloadSegment* segment)
{
    CHttpDownload& owner = *segment->pOwner;
    const std::wstring url = owner.m_param->strDownloadUrl;
    const std::wstring header = MakeRangeHeader({segment->nBegin, segment->nLength});
    const uint32_t threadId = plat::GetCurrentThreadId();
    LOG_INFOW(L"[Thread][%d][%d][%ls] beging...", threadId, segment->nIndex, header.c_str());
    // An empty range has nothing to fetch, and its backwards Range header is not one a server honours.
    segment->bSuccess = segment->nLength == 0 || owner.FetchRange(*segment, url, header);
    if (segment->bSuccess)
        LOG_INFOW(L"[Thread][%d][%d] SUCCCESS!", threadId, segment->nIndex);
}

bool CHttpDownload::FetchRange(DownloadSegment& segment, const std::wstring& url, const std::wstring& header)
{
    for (int attempt = 0;; ++attempt) {
        if (TryRange(segment, url, header, attempt))
            return true;
        if (attempt == kAttempts - 1)
            return false;
        plat::Sleep(kRetryPauseMs);
    }
}

bool CHttpDownload::TryRange(DownloadSegment& segment, const std::wstring& url, const std::wstring& header,
                             int attempt)
{
    int type = ChooseBackEnd(attempt);
    std::unique_ptr<CBaseRequest> request(CBaseRequest::CreateInstance(type));
    while (!request) {
        LOG_INFO("ERR:CBaseRequest::CreateInstance fail!");
        type = ChooseBackEnd(attempt);
        request.reset(CBaseRequest::CreateInstance(type));
    }
    request->m_maxConnectionsPerServer = kMaxConnectionsPerServer;
    request->m_headers = header;
    if (request->SendUrlRequest(url) && ReadUrlContent(*request, segment))
        return true;
    CountBackEndFailure(type);
    LOG_INFO("[Thread][%d][%d][%s] Request fail,  retry %d...(WinHttp fail:%d, Internet fail:%d)",
             plat::GetCurrentThreadId(), segment.nIndex, request->GetTypeName(), attempt, WinHttpFailures(),
             InternetFailures());
    return false;
}

bool CHttpDownload::ReadUrlContent(CBaseRequest& request, DownloadSegment& segment)
{
    const int status = request.GetStatusCode();
    if (!IsUsableRangeStatus(status, {segment.nBegin, segment.nLength}, m_fileSize)) {
        LOG_INFO("ERR:[%s] range %d answered with status %d", request.GetTypeName(), segment.nIndex, status);
        return false;
    }
    std::unique_ptr<char[]> buffer(new char[kReadBufferSize]);
    int got = 0;
    int arrived = 0;
    bool intact = true;
    int read = 0;
    while ((read = request.HttpRead(buffer.get(), kReadBufferSize)) > 0) {
        arrived += read;
        // Bytes past the range would land on a neighbour that may already be finished.
        if (read > segment.nLength - got) {
            intact = false;
            break;
        }
        if (!WriteBlock(segment, got, buffer.get(), read)) {
            LOG_INFO("ERR:[%s] write at %d fail!", request.GetTypeName(), segment.nBegin + got);
            intact = false;
            break;
        }
        got += read;
    }
    buffer.reset();
    if (intact && got == segment.nLength)
        return true;
    TakeBack(segment, got);
    LOG_INFO("ERR:[%s] download Fail ,dstSize: %d !=  downloadingSize: %d)", request.GetTypeName(),
             segment.nLength, arrived);
    return false;
}

bool CHttpDownload::WriteBlock(DownloadSegment& segment, int offsetInRange, const char* data, int size)
{
    std::lock_guard<std::mutex> guard(*segment.pLock);
    const long offset = static_cast<long>(segment.nBegin) + offsetInRange;
    if (!WriteDownloadBlock(segment.pFile, offset, data, static_cast<size_t>(size)))
        return false;
    m_downloadedSize += size;
    Notify(kDownload_Progress, m_downloadedSize, m_fileSize);
    return true;
}

void CHttpDownload::TakeBack(DownloadSegment& segment, int size)
{
    std::lock_guard<std::mutex> guard(*segment.pLock);
    m_downloadedSize -= size;
}

void CHttpDownload::Notify(int event, int a, int b) const
{
    if (m_callback)
        m_callback(event, a, b, m_param->pUserData);
}

#pragma once

#include <cstdio>
#include <mutex>
#include <string>

#include "net/DownloadParam.h"

class CBaseRequest;
class CHttpDownload;

// Runs a whole download on the calling thread; true exactly when the file was fetched whole.
// param.strSavePath is normalised in place.
bool HttpDownload(DownloadParam& param, DownloadCallback callback);

// The Content-Length of the URL, or 0 when neither back end yields one (or it is 2 GiB or more).
int GetRemoteFileSize(const std::wstring& url);

// One range of a download, owned by the controller until every worker has ended.
struct DownloadSegment
{
    bool bSuccess = false;
    CHttpDownload* pOwner = nullptr;
    int nBegin = 0;
    int nLength = 0;
    int nIndex = 0;
    std::FILE* pFile = nullptr;
    std::mutex* pLock = nullptr;
};

// One download: asks for the file's length, cuts it into equal ranges, fetches each on its own
// worker thread with up to 11 attempts and writes it at its offset of the shared output file.
class CHttpDownload
{
public:
    // Attempts per range, and the pause between two of them.
    static constexpr int kAttempts = 11;
    static constexpr unsigned kRetryPauseMs = 2000;
    static constexpr int kReadBufferSize = 102400;

    CHttpDownload(DownloadParam& param, DownloadCallback callback);
    CHttpDownload(const CHttpDownload&) = delete;
    CHttpDownload& operator=(const CHttpDownload&) = delete;

    // 0, or one of the DownloadResult failure codes.
    int Download();

private:
    int DownloadImp();
    bool CheckParam();
    bool GetDownloadFileSize();
    bool DownLoadContent();
    static void DownloadThreadProc(DownloadSegment* segment);
    bool ReadUrlContent(CBaseRequest& request, DownloadSegment& segment);

    bool FetchRange(DownloadSegment& segment, const std::wstring& url, const std::wstring& header);
    bool TryRange(DownloadSegment& segment, const std::wstring& url, const std::wstring& header, int attempt);
    bool WriteBlock(DownloadSegment& segment, int offsetInRange, const char* data, int size);
    void TakeBack(DownloadSegment& segment, int size);
    void Notify(int event, int a, int b) const;

    DownloadParam* m_param;
    DownloadCallback m_callback;
    int m_fileSize = 0;
    int m_downloadedSize = 0; // under the download's lock
};

<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>AttachWdt</name>
    <message>
        <source>View</source>
        <translation>查看</translation>
    </message>
</context>
<context>
    <name>DayLogExporter</name>
    <message>
        <source>The project&apos;s messages cannot be loaded: the push service reported an error</source>
        <translation>无法加载项目消息：推送服务报告了错误</translation>
    </message>
    <message>
        <source>No project or user to export the day of</source>
        <translation>没有可导出日志的项目或用户</translation>
    </message>
    <message>
        <source>The day to export is not a valid date</source>
        <translation>要导出的日期无效</translation>
    </message>
    <message>
        <source>No file to write the daily log to</source>
        <translation>没有写入日志的文件</translation>
    </message>
</context>
<context>
    <name>DayLogWriter</name>
    <message>
        <source>Voice note (%1 s)</source>
        <translation>语音（%1 秒）</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>类型</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>地点</translation>
    </message>
    <message>
        <source>People</source>
        <translation>人员</translation>
    </message>
    <message>
        <source>End time</source>
        <translation>结束时间</translation>
    </message>
    <message>
        <source>From task</source>
        <translation>来自任务</translation>
    </message>
    <message>
        <source>Uploaded to the project</source>
        <translation>已上传到项目</translation>
    </message>
    <message>
        <source>Daily log</source>
        <translation>施工日志</translation>
    </message>
    <message numerus="yes">
        <source>%n record(s)</source>
        <translation>
            <numerusform>%n 条记录</numerusform>
        </translation>
    </message>
    <message>
        <source>No records on this day.</source>
        <translation>当天没有记录。</translation>
    </message>
    <message>
        <source>Weather and reminders</source>
        <translation>天气与提醒</translation>
    </message>
    <message>
        <source>Tasks</source>
        <translation>任务</translation>
    </message>
    <message>
        <source>Task reports</source>
        <translation>任务汇报</translation>
    </message>
    <message>
        <source>Notices</source>
        <translation>通知</translation>
    </message>
    <message>
        <source>Members</source>
        <translation>成员</translation>
    </message>
    <message>
        <source>Project information</source>
        <translation>项目信息</translation>
    </message>
    <message>
        <source>Files and pictures</source>
        <translation>文件与图片</translation>
    </message>
    <message>
        <source>Other records</source>
        <translation>其他记录</translation>
    </message>
    <message>
        <source>Page %1 of %2</source>
        <translation>第 %1 页，共 %2 页</translation>
    </message>
    <message>
        <source>No valid day to write the log of</source>
        <translation>没有有效的日志日期</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
    <message>
        <source>no file name given</source>
        <translation>未指定文件名</translation>
    </message>
    <message>
        <source>Daily log %1 %2</source>
        <translation>施工日志 %1 %2</translation>
    </message>
    <message>
        <source>Cannot write %1: the PDF cannot be drawn</source>
        <translation>无法写入 %1：无法绘制 PDF</translation>
    </message>
</context>
<context>
    <name>DynMsgConverter</name>
    <message>
        <source>项目名称 : </source>
        <translation>项目名称 : </translation>
    </message>
    <message>
        <source>项目类型 : </source>
        <translation>项目类型 : </translation>
    </message>
    <message>
        <source>  所在地 : </source>
        <translation>  所在地 : </translation>
    </message>
    <message>
        <source>建筑面积 : </source>
        <translation>建筑面积 : </translation>
    </message>
    <message>
        <source>万平米</source>
        <translation>万平米</translation>
    </message>
    <message>
        <source>项目工期 : </source>
        <translation>项目工期 : </translation>
    </message>
    <message>
        <source>开始时间 : </source>
        <translation>开始时间 : </translation>
    </message>
    <message>
        <source>结束时间 : </source>
        <translation>结束时间 : </translation>
    </message>
    <message>
        <source>建设单位 : </source>
        <translation>建设单位 : </translation>
    </message>
    <message>
        <source>施工单位 : </source>
        <translation>施工单位 : </translation>
    </message>
    <message>
        <source>监理单位 : </source>
        <translation>监理单位 : </translation>
    </message>
    <message>
        <source>分包单位 : </source>
        <translation>分包单位 : </translation>
    </message>
</context>
<context>
    <name>DynScrollArea</name>
    <message>
        <source>Network communication failed!</source>
        <translation>网络通信失败！</translation>
    </message>
</context>
<context>
    <name>DynamicPage</name>
    <message>
        <source>DynamicPage::addDynInfo--invalid DynData.</source>
        <translation>DynamicPage::addDynInfo--invalid DynData.</translation>
    </message>
</context>
<context>
    <name>EditProjectWdt</name>
    <message>
        <source>More</source>
        <translation>更多</translation>
    </message>
</context>
<context>
    <name>FileDisplayWdt</name>
    <message>
        <source>不支持的文件格式!</source>
        <translation>不支持的文件格式!</translation>
    </message>
</context>
<context>
    <name>GotoPageFrm</name>
    <message>
        <source>Go to</source>
        <translation>跳转</translation>
    </message>
</context>
<context>
    <name>PageNavigateWdt</name>
    <message>
        <source>Previous Page</source>
        <translation>上一页</translation>
    </message>
    <message>
        <source>Next Page</source>
        <translation>下一页</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>End Time</source>
        <translation>结束时间</translation>
    </message>
</context>
<context>
    <name>SDynData</name>
    <message>
        <source>验收项</source>
        <translation>验收项</translation>
    </message>
    <message>
        <source>问题项</source>
        <translation>问题项</translation>
    </message>
    <message>
        <source>通知项</source>
        <translation>通知项</translation>
    </message>
    <message>
        <source>其他</source>
        <translation>其他</translation>
    </message>
    <message>
        <source>进行中</source>
        <translation>进行中</translation>
    </message>
    <message>
        <source>已完成</source>
        <translation>已完成</translation>
    </message>
    <message>
        <source>延期</source>
        <translation>延期</translation>
    </message>
    <message>
        <source>建筑工程</source>
        <translation>建筑工程</translation>
    </message>
    <message>
        <source>市政工程</source>
        <translation>市政工程</translation>
    </message>
    <message>
        <source>电力工程</source>
        <translation>电力工程</translation>
    </message>
    <message>
        <source>铁路工程</source>
        <translation>铁路工程</translation>
    </message>
    <message>
        <source>公路工程</source>
        <translation>公路工程</translation>
    </message>
    <message>
        <source>冶金工程</source>
        <translation>冶金工程</translation>
    </message>
    <message>
        <source>石化工程</source>
        <translation>石化工程</translation>
    </message>
    <message>
        <source>项目总工</source>
        <translation>项目总工</translation>
    </message>
    <message>
        <source>项目经理</source>
        <translation>项目经理</translation>
    </message>
    <message>
        <source>生产经理</source>
        <translation>生产经理</translation>
    </message>
    <message>
        <source>商务经理</source>
        <translation>商务经理</translation>
    </message>
    <message>
        <source>技术员</source>
        <translation>技术员</translation>
    </message>
    <message>
        <source>施工员</source>
        <translation>施工员</translation>
    </message>
    <message>
        <source>安全员</source>
        <translation>安全员</translation>
    </message>
    <message>
        <source>质量员</source>
        <translation>质量员</translation>
    </message>
</context>
<context>
    <name>SingleDynamicWdt</name>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
</context>
<context>
    <name>SummaryInfoWdt</name>
    <message>
        <source>Invalid time</source>
        <translation>无效时间</translation>
    </message>
    <message>
        <source>Just now</source>
        <translation>刚刚</translation>
    </message>
    <message numerus="yes">
        <source>%n days ago</source>
        <translation>
            <numerusform>%n天前</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n minutes ago</source>
        <translation>
            <numerusform>%n分钟前</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n hours ago</source>
        <translation>
            <numerusform>%n小时前</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>TaskInfoWdt</name>
    <message>
        <source>立即通知他</source>
        <translation>立即通知他</translation>
    </message>
    <message>
        <source>我知道了</source>
        <translation>我知道了</translation>
    </message>
    <message>
        <source>View</source>
        <translation>查看</translation>
    </message>
    <message>
        <source>通知用户失败</source>
        <translation>通知用户失败</translation>
    </message>
</context>
<context>
    <name>TaskReportWdt</name>
    <message>
        <source>Come from task </source>
        <translation>来自任务：</translation>
    </message>
    <message>
        <source>View</source>
        <translation>查看</translation>
    </message>
</context>
<context>
    <name>ViewFileSink</name>
    <message>
        <source>用户取消!</source>
        <translation>用户取消!</translation>
    </message>
    <message>
        <source>不支持的文件格式!</source>
        <translation>不支持的文件格式!</translation>
    </message>
    <message>
        <source>打开文件失败!</source>
        <translation>打开文件失败!</translation>
    </message>
</context>
</TS>

<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
    <context>
        <name>tamblo</name>
        <message>
            <source>start win sock failed.</source>
            <translation>启动 Winsock 失败。</translation>
        </message>
        <message>
            <source>recv max_len&lt;=0 at Cwf_socket::my_recv!</source>
            <translation>Cwf_socket::my_recv 中 recv max_len&lt;=0！</translation>
        </message>
        <message>
            <source>Receiving data from server failed, may need reconnect.</source>
            <translation>从服务器接收数据失败，可能需要重新连接。</translation>
        </message>
        <message>
            <source>create socket failed!</source>
            <translation>创建套接字失败！</translation>
        </message>
        <message>
            <source>error resolving hostname..</source>
            <translation>解析主机名出错..</translation>
        </message>
        <message>
            <source>error resolving proxyname..</source>
            <translation>解析代理服务器名出错..</translation>
        </message>
        <message>
            <source>Proxy type error, Please choose your proxy type in proxy options.</source>
            <translation>代理类型错误，请在代理选项中选择代理类型。</translation>
        </message>
        <message>
            <source>here we are 0.</source>
            <translation>此处为 0。</translation>
        </message>
        <message>
            <source>error resolving destination name..</source>
            <translation>解析目标名称出错..</translation>
        </message>
        <message>
            <source>failed to write to socks4 proxy.</source>
            <translation>写入 SOCKS4 代理失败。</translation>
        </message>
        <message>
            <source>failed to read from proxy.</source>
            <translation>从代理读取失败。</translation>
        </message>
        <message>
            <source>connect to proxy request rejected or failed</source>
            <translation>连接代理的请求被拒绝或失败</translation>
        </message>
        <message>
            <source>request rejected becasue SOCKS server cannot connect to identd on the client</source>
            <translation>请求被拒绝，因为 SOCKS 服务器无法连接到客户端上的 identd</translation>
        </message>
        <message>
            <source>request rejected because the client program and identd report different user-ids</source>
            <translation>请求被拒绝，因为客户端程序与 identd 报告的用户 ID 不同</translation>
        </message>
        <message>
            <source>failed to write to socks5 proxy.</source>
            <translation>写入 SOCKS5 代理失败。</translation>
        </message>
        <message>
            <source>failed to read from socks5 proxy.</source>
            <translation>从 SOCKS5 代理读取失败。</translation>
        </message>
        <message>
            <source>proxy does not support anonymouse or username/password method.</source>
            <translation>代理不支持匿名或用户名/密码验证方式。</translation>
        </message>
        <message>
            <source>failed to write to socks5 proxy user_name/password.
</source>
            <translation>向 SOCKS5 代理写入用户名/密码失败。
</translation>
        </message>
        <message>
            <source>failed to read from proxy socks5 user_name/password result.
</source>
            <translation>从 SOCKS5 代理读取用户名/密码验证结果失败。
</translation>
        </message>
        <message>
            <source>Authentication to socks5 proxy failed.</source>
            <translation>SOCKS5 代理身份验证失败。</translation>
        </message>
        <message>
            <source>failed to write to socks5 proxy in sending port and address.</source>
            <translation>向 SOCKS5 代理发送端口和地址时写入失败。</translation>
        </message>
        <message>
            <source>failed to read from proxy socks5 1.</source>
            <translation>从 SOCKS5 代理读取失败 1。</translation>
        </message>
        <message>
            <source>general SOCKS server failure</source>
            <translation>SOCKS 服务器一般性故障</translation>
        </message>
        <message>
            <source>connection not allowed by ruleset</source>
            <translation>规则集不允许该连接</translation>
        </message>
        <message>
            <source>Network unreachable</source>
            <translation>网络不可达</translation>
        </message>
        <message>
            <source>Host unreachable</source>
            <translation>主机不可达</translation>
        </message>
        <message>
            <source>Connection refused</source>
            <translation>连接被拒绝</translation>
        </message>
        <message>
            <source>TTL expired</source>
            <translation>TTL 已过期</translation>
        </message>
        <message>
            <source>Command not supported</source>
            <translation>不支持该命令</translation>
        </message>
        <message>
            <source>Address type not supported</source>
            <translation>不支持该地址类型</translation>
        </message>
        <message>
            <source>to X'FF' unassigned</source>
            <translation>至 X'FF' 未分配</translation>
        </message>
        <message>
            <source>send len&lt;=0 at Cwf_socket::my_send!</source>
            <translation>Cwf_socket::my_send 中 send len&lt;=0！</translation>
        </message>
        <message>
            <source>trying to send data through null socket at %s</source>
            <translation>试图通过空套接字发送数据：%s</translation>
        </message>
        <message>
            <source>Sending data to server failed in %s, may need reconnect.</source>
            <translation>向服务器发送数据失败（%s），可能需要重新连接。</translation>
        </message>
        <message>
            <source>Sending data to server failed in %s, select&lt;0, may need reconnect.</source>
            <translation>向服务器发送数据失败（%s），select&lt;0，可能需要重新连接。</translation>
        </message>
        <message>
            <source>send len&lt;=0 at Cwf_socket::my_send_fixed_len_raw!</source>
            <translation>Cwf_socket::my_send_fixed_len_raw 中 send len&lt;=0！</translation>
        </message>
        <message>
            <source>failed to connect.</source>
            <translation>连接失败。</translation>
        </message>
        <message>
            <source>create key failed in reg_write!</source>
            <translation>reg_write 中创建注册表项失败！</translation>
        </message>
        <message>
            <source>set value failed in reg_write.</source>
            <translation>reg_write 中设置值失败。</translation>
        </message>
        <message>
            <source>create key failed in reg read!</source>
            <translation>reg read 中创建注册表项失败！</translation>
        </message>
        <message>
            <source>get_app_data_path failed.</source>
            <translation>get_app_data_path 失败。</translation>
        </message>
        <message>
            <source>Login content too long.</source>
            <translation>登录内容过长。</translation>
        </message>
        <message>
            <source>Meeting Room Name should not greater than 64.</source>
            <translation>会议室名称长度不能超过 64。</translation>
        </message>
        <message>
            <source>Meeting Room content should not greater than 64.</source>
            <translation>会议室内容长度不能超过 64。</translation>
        </message>
        <message>
            <source>address from server format not correct.</source>
            <translation>服务器发来的地址格式不正确。</translation>
        </message>
        <message>
            <source>set value failed!</source>
            <translation>设置值失败！</translation>
        </message>
        <message>
            <source>create key 'servers' failed!</source>
            <translation>创建注册表项 'servers' 失败！</translation>
        </message>
        <message>
            <source>create key 'servers' failed in server list retrieve!</source>
            <translation>读取服务器列表时创建注册表项 'servers' 失败！</translation>
        </message>
        <message>
            <source>Connected: %s</source>
            <translation>已连接：%s</translation>
        </message>
        <message>
            <source>create multicast recv socket failed!</source>
            <translation>创建组播接收套接字失败！</translation>
        </message>
        <message>
            <source>cannot join multicast group in muliticast_recv_socket do open</source>
            <translation>muliticast_recv_socket do open 中无法加入组播组</translation>
        </message>
        <message>
            <source>recv max_len&lt;=0 at Cwf_multicast_recv_socket::my_recv!</source>
            <translation>Cwf_multicast_recv_socket::my_recv 中 recv max_len&lt;=0！</translation>
        </message>
        <message>
            <source>create multicast socket failed!</source>
            <translation>创建组播套接字失败！</translation>
        </message>
        <message>
            <source>send len&lt;=0 at Cwf_multicast_send_socket::my_send!</source>
            <translation>Cwf_multicast_send_socket::my_send 中 send len&lt;=0！</translation>
        </message>
        <message>
            <source>gethostbyname failed in get_my_ip_address 1.</source>
            <translation>get_my_ip_address 中 gethostbyname 失败 1。</translation>
        </message>
        <message>
            <source>start win sock failed in g_peer_server_thread.</source>
            <translation>g_peer_server_thread 中启动 Winsock 失败。</translation>
        </message>
        <message>
            <source>peer socket server bind failed.</source>
            <translation>对等套接字服务器绑定失败。</translation>
        </message>
        <message>
            <source>peer socket server listen failed.</source>
            <translation>对等套接字服务器监听失败。</translation>
        </message>
        <message>
            <source>accept failed.</source>
            <translation>接受连接失败。</translation>
        </message>
        <message>
            <source>select error in g_peer_recv_thread.</source>
            <translation>g_peer_recv_thread 中 select 出错。</translation>
        </message>
        <message>
            <source>Invalid bitmap bit count</source>
            <translation>无效的位图位数</translation>
        </message>
        <message>
            <source>Invalid input data</source>
            <translation>无效的输入数据</translation>
        </message>
        <message>
            <source>Cannot open </source>
            <translation>无法打开 </translation>
        </message>
        <message>
            <source>hori_num error in CBitmapFile::SavePartWindowAsFile.</source>
            <translation>CBitmapFile::SavePartWindowAsFile 中 hori_num 错误。</translation>
        </message>
        <message>
            <source>vert_num error in CBitmapFile::SavePartWindowAsFile.</source>
            <translation>CBitmapFile::SavePartWindowAsFile 中 vert_num 错误。</translation>
        </message>
        <message>
            <source>vert_index error in CBitmapFile::SavePartWindowAsFile.</source>
            <translation>CBitmapFile::SavePartWindowAsFile 中 vert_index 错误。</translation>
        </message>
        <message>
            <source>hori_index error in CBitmapFile::SavePartWindowAsFile.</source>
            <translation>CBitmapFile::SavePartWindowAsFile 中 hori_index 错误。</translation>
        </message>
        <message>
            <source>board_num out of range in bmp_draw.</source>
            <translation>bmp_draw 中 board_num 超出范围。</translation>
        </message>
        <message>
            <source>get file size failed in file_get_size</source>
            <translation>file_get_size 中获取文件大小失败</translation>
        </message>
        <message>
            <source>file open failed in file_append_one_z_bmp_to_file</source>
            <translation>file_append_one_z_bmp_to_file 中打开文件失败</translation>
        </message>
        <message>
            <source>in_file_name too long in z_compress_file.</source>
            <translation>z_compress_file 中 in_file_name 过长。</translation>
        </message>
        <message>
            <source>out_file_name too long in z_compress_file.</source>
            <translation>z_compress_file 中 out_file_name 过长。</translation>
        </message>
        <message>
            <source>in_file_name too long in z_uncompress_file.</source>
            <translation>z_uncompress_file 中 in_file_name 过长。</translation>
        </message>
        <message>
            <source>out_file_name too long in z_uncompress_file.</source>
            <translation>z_uncompress_file 中 out_file_name 过长。</translation>
        </message>
        <message>
            <source>failed to open in_file in z_uncompress_file: %s</source>
            <translation>z_uncompress_file 中打开输入文件失败：%s</translation>
        </message>
        <message>
            <source>failed to open out_file in z_uncompress_file: %s</source>
            <translation>z_uncompress_file 中打开输出文件失败：%s</translation>
        </message>
        <message>
            <source>Clipboard is empty.</source>
            <translation>剪贴板为空。</translation>
        </message>
        <message>
            <source>failed to open clipboard in clipboard_loading.</source>
            <translation>clipboard_loading 中打开剪贴板失败。</translation>
        </message>
        <message>
            <source>failed to empty clipboard</source>
            <translation>清空剪贴板失败</translation>
        </message>
        <message>
            <source>file format error</source>
            <translation>文件格式错误</translation>
        </message>
        <message>
            <source>failed to alloc memory in loading clipboard.</source>
            <translation>加载剪贴板时分配内存失败。</translation>
        </message>
        <message>
            <source>GlobalLock failed in setclipboarddata.</source>
            <translation>setclipboarddata 中 GlobalLock 失败。</translation>
        </message>
        <message>
            <source>Default Blue</source>
            <translation>默认蓝</translation>
        </message>
        <message>
            <source>Orange</source>
            <translation>橙色</translation>
        </message>
        <message>
            <source>Green</source>
            <translation>绿色</translation>
        </message>
        <message>
            <source>Gray</source>
            <translation>灰色</translation>
        </message>
        <message>
            <source>Pink</source>
            <translation>粉色</translation>
        </message>
        <message>
            <source>Purple</source>
            <translation>紫色</translation>
        </message>
        <message>
            <source>Red</source>
            <translation>红色</translation>
        </message>
        <message>
            <source>Dialog</source>
            <translation>对话框</translation>
        </message>
        <message>
            <source>Message</source>
            <translation>消息</translation>
        </message>
        <message>
            <source>message</source>
            <translation>消息</translation>
        </message>
        <message>
            <source>OK</source>
            <translation>确定</translation>
        </message>
        <message>
            <source>Cancel</source>
            <translation>取消</translation>
        </message>
        <message>
            <source>Apply</source>
            <translation>应用</translation>
        </message>
        <message>
            <source>Yes</source>
            <translation>是</translation>
        </message>
        <message>
            <source>No</source>
            <translation>否</translation>
        </message>
        <message>
            <source>YES</source>
            <translation>YES</translation>
        </message>
        <message>
            <source>failed to create IVolume.</source>
            <translation>创建 IVolume 失败。</translation>
        </message>
        <message>
            <source>Can not allocate enough memory in LoadPicture Data</source>
            <translation>LoadPicture Data 中无法分配足够的内存</translation>
        </message>
        <message>
            <source>CPicture Error</source>
            <translation>CPicture 错误</translation>
        </message>
        <message>
            <source>IPicture interface is not supported</source>
            <translation>不支持 IPicture 接口</translation>
        </message>
        <message>
            <source>draw failed in CPicture::Show</source>
            <translation>CPicture::Show 中绘制失败</translation>
        </message>
        <message>
            <source>Can not allocate enough memory in Show</source>
            <translation>Show 中无法分配足够的内存</translation>
        </message>
        <message>
            <source>tamblo

Tamblo


Tamblo.Document
Tamblo Document</source>
            <translation>tamblo

Tamblo


Tamblo.Document
Tamblo 文档</translation>
        </message>
        <message>
            <source>About Tamblo</source>
            <translation>关于 Tamblo</translation>
        </message>
        <message>
            <source>Tamblo Version 1.9.4</source>
            <translation>Tamblo 版本 1.9.4</translation>
        </message>
        <message>
            <source>An instance of Tamblo is already running.</source>
            <translation>Tamblo 已有一个实例正在运行。</translation>
        </message>
        <message>
            <source>Failed to initialize OLE</source>
            <translation>OLE 初始化失败</translation>
        </message>
        <message>
            <source>Tamblo</source>
            <translation>Tamblo</translation>
        </message>
        <message>
            <source>Parameter not correct.</source>
            <translation>参数不正确。</translation>
        </message>
        <message>
            <source>port num not correct.</source>
            <translation>端口号不正确。</translation>
        </message>
        <message>
            <source>Invalide c.</source>
            <translation>无效的 c。</translation>
        </message>
        <message>
            <source>file suffix not correct.</source>
            <translation>文件后缀不正确。</translation>
        </message>
        <message>
            <source>Take Over Microphone</source>
            <translation>接管麦克风</translation>
        </message>
        <message>
            <source>Show me</source>
            <translation>显示我的视频</translation>
        </message>
        <message>
            <source>Voice chat</source>
            <translation>语音聊天</translation>
        </message>
        <message>
            <source>Change speaker and microphone volume</source>
            <translation>调节扬声器和麦克风音量</translation>
        </message>
        <message>
            <source>Text chat</source>
            <translation>文字聊天</translation>
        </message>
        <message>
            <source>Connect to server</source>
            <translation>连接服务器</translation>
        </message>
        <message>
            <source>Connect to default server or reconnect</source>
            <translation>连接默认服务器或重新连接</translation>
        </message>
        <message>
            <source>Disconnect from server</source>
            <translation>断开与服务器的连接</translation>
        </message>
        <message>
            <source>Login</source>
            <translation>登录</translation>
        </message>
        <message>
            <source>Logout</source>
            <translation>注销</translation>
        </message>
        <message>
            <source>Meeting room</source>
            <translation>会议室</translation>
        </message>
        <message>
            <source>Enter rest room</source>
            <translation>进入休息室</translation>
        </message>
        <message>
            <source>Start meeting</source>
            <translation>开始会议</translation>
        </message>
        <message>
            <source>Stop meeting</source>
            <translation>结束会议</translation>
        </message>
        <message>
            <source>Meeting Started: 00:00:00</source>
            <translation>会议已开始：00:00:00</translation>
        </message>
        <message>
            <source>Failed to open file to read</source>
            <translation>无法打开文件进行读取</translation>
        </message>
        <message>
            <source>failed to create splitter wnd.</source>
            <translation>创建拆分窗口失败。</translation>
        </message>
        <message>
            <source>failed to create rightupper2</source>
            <translation>创建 rightupper2 失败</translation>
        </message>
        <message>
            <source>failed to create rightupper3</source>
            <translation>创建 rightupper3 失败</translation>
        </message>
        <message>
            <source>failed to create rightupper4</source>
            <translation>创建 rightupper4 失败</translation>
        </message>
        <message>
            <source>failed to create rightupper1</source>
            <translation>创建 rightupper1 失败</translation>
        </message>
        <message>
            <source>Misc Bar</source>
            <translation>杂项工具栏</translation>
        </message>
        <message>
            <source>Ctrl Bar</source>
            <translation>控制工具栏</translation>
        </message>
        <message>
            <source>Audio Video Bar</source>
            <translation>音视频工具栏</translation>
        </message>
        <message>
            <source>Connect to Server</source>
            <translation>连接服务器</translation>
        </message>
        <message>
            <source>Reconnect to Server</source>
            <translation>重新连接服务器</translation>
        </message>
        <message>
            <source>Disconnect from Server</source>
            <translation>断开与服务器的连接</translation>
        </message>
        <message>
            <source>Join Meeting Room</source>
            <translation>加入会议室</translation>
        </message>
        <message>
            <source>Rest Room</source>
            <translation>休息室</translation>
        </message>
        <message>
            <source>Start Meeting</source>
            <translation>开始会议</translation>
        </message>
        <message>
            <source>Please login first.</source>
            <translation>请先登录。</translation>
        </message>
        <message>
            <source>Please join a meeting room first.</source>
            <translation>请先加入会议室。</translation>
        </message>
        <message>
            <source>Stop Meeting</source>
            <translation>结束会议</translation>
        </message>
        <message>
            <source>Only Chairman could stop meeting. Please request chairman first.</source>
            <translation>只有主席才能结束会议。请先申请成为主席。</translation>
        </message>
        <message>
            <source>Work off line</source>
            <translation>脱机工作</translation>
        </message>
        <message>
            <source>Start(Stop) Meeting Room Talk</source>
            <translation>开始(停止)会议室发言</translation>
        </message>
        <message>
            <source>Take over Microphone</source>
            <translation>接管麦克风</translation>
        </message>
        <message>
            <source>Switch to Chairman control Mode</source>
            <translation>切换到主席控制模式</translation>
        </message>
        <message>
            <source>Only Chairman could set talk mode.</source>
            <translation>只有主席才能设置发言模式。</translation>
        </message>
        <message>
            <source>Switch to Free Lance Mode</source>
            <translation>切换到自由模式</translation>
        </message>
        <message>
            <source>If switched to free lance mode, any person could click "Take over microphone" button to talk.
Are you sure to continue?</source>
            <translation>如果切换到自由模式，任何人都可以点击“接管麦克风”按钮发言。
确定要继续吗？</translation>
        </message>
        <message>
            <source>Request Chairman</source>
            <translation>申请主席</translation>
        </message>
        <message>
            <source>Request Presenter</source>
            <translation>申请主讲人</translation>
        </message>
        <message>
            <source>Raise Hand</source>
            <translation>举手</translation>
        </message>
        <message>
            <source>Push Mode</source>
            <translation>推送模式</translation>
        </message>
        <message>
            <source>Show Video</source>
            <translation>显示视频</translation>
        </message>
        <message>
            <source>Video device not available.</source>
            <translation>视频设备不可用。</translation>
        </message>
        <message>
            <source>Volume Control...</source>
            <translation>音量控制...</translation>
        </message>
        <message>
            <source>Start Text Chat</source>
            <translation>开始文字聊天</translation>
        </message>
        <message>
            <source>Reload Text Chat Content From Server</source>
            <translation>从服务器重新加载文字聊天内容</translation>
        </message>
        <message>
            <source>Only presenter can do this in Chairman control mode.</source>
            <translation>在主席控制模式下只有主讲人才能执行此操作。</translation>
        </message>
        <message>
            <source>Share desktop</source>
            <translation>共享桌面</translation>
        </message>
        <message>
            <source>Do you allow others to control your desktop?</source>
            <translation>是否允许其他人控制您的桌面？</translation>
        </message>
        <message>
            <source>Share application</source>
            <translation>共享应用程序</translation>
        </message>
        <message>
            <source>Request Remote Control</source>
            <translation>申请远程控制</translation>
        </message>
        <message>
            <source>Share Excel File</source>
            <translation>共享 Excel 文件</translation>
        </message>
        <message>
            <source>Share Word File</source>
            <translation>共享 Word 文件</translation>
        </message>
        <message>
            <source>Share PowerPoint File</source>
            <translation>共享 PowerPoint 文件</translation>
        </message>
        <message>
            <source>Share Browser</source>
            <translation>共享浏览器</translation>
        </message>
        <message>
            <source>Pointer</source>
            <translation>指针</translation>
        </message>
        <message>
            <source>Use pen</source>
            <translation>使用画笔</translation>
        </message>
        <message>
            <source>Use eraser</source>
            <translation>使用橡皮擦</translation>
        </message>
        <message>
            <source>Use text</source>
            <translation>使用文字</translation>
        </message>
        <message>
            <source>Draw line</source>
            <translation>画直线</translation>
        </message>
        <message>
            <source>Void rect</source>
            <translation>空心矩形</translation>
        </message>
        <message>
            <source>Solid rect</source>
            <translation>实心矩形</translation>
        </message>
        <message>
            <source>Void circle</source>
            <translation>空心圆</translation>
        </message>
        <message>
            <source>Solid circle</source>
            <translation>实心圆</translation>
        </message>
        <message>
            <source>Void round rect</source>
            <translation>空心圆角矩形</translation>
        </message>
        <message>
            <source>Solid round rect</source>
            <translation>实心圆角矩形</translation>
        </message>
        <message>
            <source>Show Pointer</source>
            <translation>显示指针</translation>
        </message>
        <message>
            <source>Zoom</source>
            <translation>放大</translation>
        </message>
        <message>
            <source>Undo</source>
            <translation>撤销</translation>
        </message>
        <message>
            <source>Redo</source>
            <translation>重做</translation>
        </message>
        <message>
            <source>Reload Board Content From Server</source>
            <translation>从服务器重新加载白板内容</translation>
        </message>
        <message>
            <source>Clear Board</source>
            <translation>清除白板</translation>
        </message>
        <message>
            <source>Are you sure to clear all the content in the current board? Can not undo after done.</source>
            <translation>确定要清除当前白板的全部内容吗？清除后无法撤销。</translation>
        </message>
        <message>
            <source>Upload Board Content To Server</source>
            <translation>将白板内容上传到服务器</translation>
        </message>
        <message>
            <source>Upload the board content to server will clear the 
current board content of other users.
 Are you sure to continue?</source>
            <translation>将白板内容上传到服务器会清除其他用户的
当前白板内容。
 确定要继续吗？</translation>
        </message>
        <message>
            <source>Upload white board to server done.</source>
            <translation>白板已上传到服务器。</translation>
        </message>
        <message>
            <source>Lock Current Board</source>
            <translation>锁定当前白板</translation>
        </message>
        <message>
            <source>Paste Area</source>
            <translation>粘贴区域</translation>
        </message>
        <message>
            <source>Paste Window</source>
            <translation>粘贴窗口</translation>
        </message>
        <message>
            <source>a window image is still in the process of upload, 
please wait a moment and try again.</source>
            <translation>窗口图像仍在上传中，
请稍候再试。</translation>
        </message>
        <message>
            <source>The next window you clicked will be pasted into your current white board.
Do you want to continue?</source>
            <translation>您接下来点击的窗口将被粘贴到当前白板中。
是否继续？</translation>
        </message>
        <message>
            <source>The next desktop window you clicked will be pasted into your current white board.
Do you want to continue?</source>
            <translation>您接下来点击的桌面窗口将被粘贴到当前白板中。
是否继续？</translation>
        </message>
        <message>
            <source>White Board Files (*.bod)|*.bod|All Files (*.*)|*.*||</source>
            <translation>白板文件 (*.bod)|*.bod|所有文件 (*.*)|*.*||</translation>
        </message>
        <message>
            <source>Start recording</source>
            <translation>开始录制</translation>
        </message>
        <message>
            <source>Pause recording</source>
            <translation>暂停录制</translation>
        </message>
        <message>
            <source>Stop recording</source>
            <translation>停止录制</translation>
        </message>
        <message>
            <source>Play Meeting Record</source>
            <translation>播放会议录像</translation>
        </message>
        <message>
            <source>Pause playing meeting record</source>
            <translation>暂停播放会议录像</translation>
        </message>
        <message>
            <source>Stop playing meeting record</source>
            <translation>停止播放会议录像</translation>
        </message>
        <message>
            <source>Toggle Full Screen</source>
            <translation>切换全屏</translation>
        </message>
        <message>
            <source>Options...</source>
            <translation>选项...</translation>
        </message>
        <message>
            <source>Internet Update...</source>
            <translation>在线更新...</translation>
        </message>
        <message>
            <source>Customer Feedback...</source>
            <translation>用户反馈...</translation>
        </message>
        <message>
            <source>Tell Friend...</source>
            <translation>告诉朋友...</translation>
        </message>
        <message>
            <source>View Event History...</source>
            <translation>查看事件历史...</translation>
        </message>
        <message>
            <source>Net Speed Test</source>
            <translation>网速测试</translation>
        </message>
        <message>
            <source>Create Invite URL</source>
            <translation>创建邀请链接</translation>
        </message>
        <message>
            <source>Invite Through Outlook</source>
            <translation>通过 Outlook 邀请</translation>
        </message>
        <message>
            <source>help...</source>
            <translation>帮助...</translation>
        </message>
        <message>
            <source>E&amp;xit</source>
            <translation>退出(&amp;X)</translation>
        </message>
        <message>
            <source>Talking started, it is in free lance mode, please click "Take over microphone" button to talk.</source>
            <translation>发言已开始，当前为自由模式，请点击“接管麦克风”按钮发言。</translation>
        </message>
        <message>
            <source>Talking started, it is in chairman control mode, only Chairman could allow people to talk.</source>
            <translation>发言已开始，当前为主席控制模式，只有主席才能允许他人发言。</translation>
        </message>
        <message>
            <source>Talking Started.</source>
            <translation>发言已开始。</translation>
        </message>
        <message>
            <source>Talking stopped.</source>
            <translation>发言已停止。</translation>
        </message>
        <message>
            <source>%s: %s:%s:%s</source>
            <translation>%s：%s:%s:%s</translation>
        </message>
        <message>
            <source>Meeting Started</source>
            <translation>会议已开始</translation>
        </message>
        <message>
            <source>Share desktop approved.</source>
            <translation>共享桌面已获批准。</translation>
        </message>
        <message>
            <source>Share desktop denied.
Another desktop or application already in share.</source>
            <translation>共享桌面被拒绝。
已有其他桌面或应用程序正在共享。</translation>
        </message>
        <message>
            <source>Application Sharing Stopped.</source>
            <translation>应用程序共享已停止。</translation>
        </message>
        <message>
            <source>Desktop Sharing Stopped.</source>
            <translation>桌面共享已停止。</translation>
        </message>
        <message>
            <source>Chairman request denied, password not correct or chairman already exist.</source>
            <translation>主席申请被拒绝，密码不正确或已有主席。</translation>
        </message>
        <message>
            <source>Chairman request approved.</source>
            <translation>主席申请已获批准。</translation>
        </message>
        <message>
            <source>Chairman gived up.</source>
            <translation>已放弃主席身份。</translation>
        </message>
        <message>
            <source>Giveup Chairman</source>
            <translation>放弃主席</translation>
        </message>
        <message>
            <source>Presenter request approved.</source>
            <translation>主讲人申请已获批准。</translation>
        </message>
        <message>
            <source>Presenter gived up.</source>
            <translation>已放弃主讲人身份。</translation>
        </message>
        <message>
            <source>Giveup Presenter</source>
            <translation>放弃主讲人</translation>
        </message>
        <message>
            <source>Presenter request denied.</source>
            <translation>主讲人申请被拒绝。</translation>
        </message>
        <message>
            <source>Tamblo %d.%d.%d available, your current version is:%d.%d.%d, would you like to do update?</source>
            <translation>Tamblo %d.%d.%d 已发布，您当前的版本是：%d.%d.%d，是否要更新？</translation>
        </message>
        <message>
            <source>%s: %s: %s</source>
            <translation>%s：%s：%s</translation>
        </message>
        <message>
            <source>%s raised hand.</source>
            <translation>%s 举手了。</translation>
        </message>
        <message>
            <source>%s lowered hand.</source>
            <translation>%s 放下了手。</translation>
        </message>
        <message>
            <source>%s joined conference.</source>
            <translation>%s 加入了会议。</translation>
        </message>
        <message>
            <source>%s left conference.</source>
            <translation>%s 离开了会议。</translation>
        </message>
        <message>
            <source>%s becomes the talking person.</source>
            <translation>%s 成为发言人。</translation>
        </message>
        <message>
            <source>%s giveup talking.</source>
            <translation>%s 放弃了发言。</translation>
        </message>
        <message>
            <source>Changed to Chairman Control  Mode, only the person designated by Chairman could talk.</source>
            <translation>已切换到主席控制模式，只有主席指定的人才能发言。</translation>
        </message>
        <message>
            <source>Changed to Free Lance Mode, please click "Take over microphone" button to talk.</source>
            <translation>已切换到自由模式，请点击“接管麦克风”按钮发言。</translation>
        </message>
        <message>
            <source>%s become presenter.</source>
            <translation>%s 成为主讲人。</translation>
        </message>
        <message>
            <source>%s become chairman.</source>
            <translation>%s 成为主席。</translation>
        </message>
        <message>
            <source>%s apply for presenter.</source>
            <translation>%s 申请成为主讲人。</translation>
        </message>
        <message>
            <source>%s apply for presenter.
Do you want to approve it</source>
            <translation>%s 申请成为主讲人。
是否批准</translation>
        </message>
        <message>
            <source>Full Screen View</source>
            <translation>全屏视图</translation>
        </message>
        <message>
            <source>Can not alloc memory in CMainFrame::OnChat.</source>
            <translation>CMainFrame::OnChat 中无法分配内存。</translation>
        </message>
        <message>
            <source>US Default</source>
            <translation>美国默认</translation>
        </message>
        <message>
            <source>Please choose a server to connect:</source>
            <translation>请选择要连接的服务器：</translation>
        </message>
        <message>
            <source>Specify IP and port manually</source>
            <translation>手动指定 IP 和端口</translation>
        </message>
        <message>
            <source>IP:</source>
            <translation>IP：</translation>
        </message>
        <message>
            <source>Port:</source>
            <translation>端口：</translation>
        </message>
        <message>
            <source>Refresh List</source>
            <translation>刷新列表</translation>
        </message>
        <message>
            <source>Automatically connect me next time</source>
            <translation>下次自动连接</translation>
        </message>
        <message>
            <source>Default</source>
            <translation>默认</translation>
        </message>
        <message>
            <source>irc(194)</source>
            <translation>irc(194)</translation>
        </message>
        <message>
            <source>https(443)</source>
            <translation>https(443)</translation>
        </message>
        <message>
            <source>IMAP4 over SSL(993)</source>
            <translation>IMAP4 over SSL(993)</translation>
        </message>
        <message>
            <source>POP3 over SSL(995)</source>
            <translation>POP3 over SSL(995)</translation>
        </message>
        <message>
            <source>socks proxy(1080)</source>
            <translation>socks 代理(1080)</translation>
        </message>
        <message>
            <source>SQL Server(1433)</source>
            <translation>SQL Server(1433)</translation>
        </message>
        <message>
            <source>msn(1863)</source>
            <translation>msn(1863)</translation>
        </message>
        <message>
            <source>http2(8080)</source>
            <translation>http2(8080)</translation>
        </message>
        <message>
            <source>Please choose a server to connect.</source>
            <translation>请选择要连接的服务器。</translation>
        </message>
        <message>
            <source>Server index out of range.</source>
            <translation>服务器索引超出范围。</translation>
        </message>
        <message>
            <source>Please enter a port greater than 50.</source>
            <translation>请输入大于 50 的端口。</translation>
        </message>
        <message>
            <source>Customer IP</source>
            <translation>自定义 IP</translation>
        </message>
        <message>
            <source>Login Name:</source>
            <translation>登录名：</translation>
        </message>
        <message>
            <source>Auth Code:</source>
            <translation>授权码：</translation>
        </message>
        <message>
            <source>Remember my name on this machine</source>
            <translation>在本机记住我的登录名</translation>
        </message>
        <message>
            <source>Remember auth code on this machine</source>
            <translation>在本机记住授权码</translation>
        </message>
        <message>
            <source>Meeting Room</source>
            <translation>会议室</translation>
        </message>
        <message>
            <source>Room Name:</source>
            <translation>会议室名称：</translation>
        </message>
        <message>
            <source>Create</source>
            <translation>创建</translation>
        </message>
        <message>
            <source>Join</source>
            <translation>加入</translation>
        </message>
        <message>
            <source>Refresh</source>
            <translation>刷新</translation>
        </message>
        <message>
            <source>Set Passwd</source>
            <translation>设置密码</translation>
        </message>
        <message>
            <source>Automatically join this meeting room after login</source>
            <translation>登录后自动加入此会议室</translation>
        </message>
        <message>
            <source>Please enter meeting room password</source>
            <translation>请输入会议室密码</translation>
        </message>
        <message>
            <source>Please enter meeting room password:</source>
            <translation>请输入会议室密码：</translation>
        </message>
        <message>
            <source>(If no passwd set for the meeting room, just leave it blank)</source>
            <translation>（如果会议室未设置密码，请留空）</translation>
        </message>
        <message>
            <source>Please enter Chairman password</source>
            <translation>请输入主席密码</translation>
        </message>
        <message>
            <source>Please enter chairman password:</source>
            <translation>请输入主席密码：</translation>
        </message>
        <message>
            <source>(If no passwd set, just leave it blank)</source>
            <translation>（如果未设置密码，请留空）</translation>
        </message>
        <message>
            <source>Change Meeting Room Chairman Passwd</source>
            <translation>修改会议室主席密码</translation>
        </message>
        <message>
            <source>Old Passwd:</source>
            <translation>旧密码：</translation>
        </message>
        <message>
            <source>New Passwd:</source>
            <translation>新密码：</translation>
        </message>
        <message>
            <source>Retype New Passwd:</source>
            <translation>确认新密码：</translation>
        </message>
        <message>
            <source>If there is no old passwd, leave it blank</source>
            <translation>如果没有旧密码，请留空</translation>
        </message>
        <message>
            <source>Send</source>
            <translation>发送</translation>
        </message>
        <message>
            <source>Clear</source>
            <translation>清除</translation>
        </message>
        <message>
            <source>Send On Return</source>
            <translation>按回车键发送</translation>
        </message>
        <message>
            <source>Login name too long, please less than 31 chars.</source>
            <translation>登录名过长，请少于 31 个字符。</translation>
        </message>
        <message>
            <source>Auth code too long, please less than 30 chars.</source>
            <translation>授权码过长，请少于 30 个字符。</translation>
        </message>
        <message>
            <source>Login name should not contain ':'</source>
            <translation>登录名不能包含 ':'</translation>
        </message>
        <message>
            <source>Auth code should not contain ':'.</source>
            <translation>授权码不能包含 ':'。</translation>
        </message>
        <message>
            <source>Login Name should not be all blank.</source>
            <translation>登录名不能全为空格。</translation>
        </message>
        <message>
            <source>%s: You are logged in as %s</source>
            <translation>%s：您已作为 %s 登录</translation>
        </message>
        <message>
            <source>Login success.</source>
            <translation>登录成功。</translation>
        </message>
        <message>
            <source>Login Failed.</source>
            <translation>登录失败。</translation>
        </message>
        <message>
            <source>Login failed.</source>
            <translation>登录失败。</translation>
        </message>
        <message>
            <source>You are not logged in.</source>
            <translation>您尚未登录。</translation>
        </message>
        <message>
            <source>Logout success.</source>
            <translation>注销成功。</translation>
        </message>
        <message>
            <source>Meeting room name should not be blank.</source>
            <translation>会议室名称不能为空。</translation>
        </message>
        <message>
            <source>Meeting room name should not contain ':'.</source>
            <translation>会议室名称不能包含 ':'。</translation>
        </message>
        <message>
            <source>Sorry, you can only create three meeting rooms in a session.</source>
            <translation>抱歉，每次会话只能创建三个会议室。</translation>
        </message>
        <message>
            <source>Please select a meeting room.</source>
            <translation>请选择一个会议室。</translation>
        </message>
        <message>
            <source>Please join a meeting room before set meeting room password.</source>
            <translation>设置会议室密码前请先加入会议室。</translation>
        </message>
        <message>
            <source>create meeting room failed, max number of meeting room reached, 
or meeting room already exist.</source>
            <translation>创建会议室失败，已达到会议室数量上限，
或会议室已存在。</translation>
        </message>
        <message>
            <source>Set meeting room password success.</source>
            <translation>设置会议室密码成功。</translation>
        </message>
        <message>
            <source>Set meeting room password failed.
Possibly, the old password is not correct.</source>
            <translation>设置会议室密码失败。
可能是旧密码不正确。</translation>
        </message>
        <message>
            <source>Join meeting room failed.</source>
            <translation>加入会议室失败。</translation>
        </message>
        <message>
            <source>Join meeting room success.</source>
            <translation>加入会议室成功。</translation>
        </message>
        <message>
            <source>The max length of the old passwd is 16.</source>
            <translation>旧密码最长为 16 个字符。</translation>
        </message>
        <message>
            <source>old passwd can not contain ':'.</source>
            <translation>旧密码不能包含 ':'。</translation>
        </message>
        <message>
            <source>New passwd not match, please retype.</source>
            <translation>新密码不一致，请重新输入。</translation>
        </message>
        <message>
            <source>The max length of the new passwd is 16.</source>
            <translation>新密码最长为 16 个字符。</translation>
        </message>
        <message>
            <source>New passwd can not contain ':'.</source>
            <translation>新密码不能包含 ':'。</translation>
        </message>
        <message>
            <source>File Share</source>
            <translation>文件共享</translation>
        </message>
        <message>
            <source>Video</source>
            <translation>视频</translation>
        </message>
        <message>
            <source>meeting room</source>
            <translation>会议室</translation>
        </message>
        <message>
            <source>You are currently in:</source>
            <translation>您当前所在：</translation>
        </message>
        <message>
            <source>Boost</source>
            <translation>踢出</translation>
        </message>
        <message>
            <source>Show Meeting Rooms</source>
            <translation>显示会议室列表</translation>
        </message>
        <message>
            <source>Leave</source>
            <translation>离开</translation>
        </message>
        <message>
            <source>Private Chat</source>
            <translation>私聊</translation>
        </message>
        <message>
            <source>Private Voice Chat</source>
            <translation>私人语音聊天</translation>
        </message>
        <message>
            <source>Allow Talk</source>
            <translation>允许发言</translation>
        </message>
        <message>
            <source>Meeting Room Options</source>
            <translation>会议室选项</translation>
        </message>
        <message>
            <source>Invite</source>
            <translation>邀请</translation>
        </message>
        <message>
            <source>Set Chairman Passwd</source>
            <translation>设置主席密码</translation>
        </message>
        <message>
            <source>Name</source>
            <translation>姓名</translation>
        </message>
        <message>
            <source>Is Talking</source>
            <translation>正在发言</translation>
        </message>
        <message>
            <source>Hand Raised</source>
            <translation>已举手</translation>
        </message>
        <message>
            <source>Private Voice Chat To</source>
            <translation>私人语音聊天对象</translation>
        </message>
        <message>
            <source>Talking</source>
            <translation>发言中</translation>
        </message>
        <message>
            <source>Show</source>
            <translation>显示</translation>
        </message>
        <message>
            <source>Not Show</source>
            <translation>不显示</translation>
        </message>
        <message>
            <source>Only Chairman can do this.</source>
            <translation>只有主席才能执行此操作。</translation>
        </message>
        <message>
            <source>Please select a member to boost.</source>
            <translation>请选择要踢出的成员。</translation>
        </message>
        <message>
            <source>Please Join a meeting room before set passwd.</source>
            <translation>设置密码前请先加入会议室。</translation>
        </message>
        <message>
            <source>Please select a member to chat with.</source>
            <translation>请选择要聊天的成员。</translation>
        </message>
        <message>
            <source>Only Chairman can allow members to talk.</source>
            <translation>只有主席才能允许成员发言。</translation>
        </message>
        <message>
            <source>Please choose a person.</source>
            <translation>请选择一个人。</translation>
        </message>
        <message>
            <source>Meeting Room Options...</source>
            <translation>会议室选项...</translation>
        </message>
        <message>
            <source>Please select a member.</source>
            <translation>请选择一个成员。</translation>
        </message>
        <message>
            <source>Show All Video</source>
            <translation>显示所有视频</translation>
        </message>
        <message>
            <source>Hide Video</source>
            <translation>隐藏视频</translation>
        </message>
        <message>
            <source>Hide All Video</source>
            <translation>隐藏所有视频</translation>
        </message>
        <message>
            <source>Stop Private Voice Chat</source>
            <translation>停止私人语音聊天</translation>
        </message>
        <message>
            <source>Set As Presenter</source>
            <translation>设为主讲人</translation>
        </message>
        <message>
            <source>Remove Presenter</source>
            <translation>取消主讲人</translation>
        </message>
        <message>
            <source>Restore</source>
            <translation>还原</translation>
        </message>
        <message>
            <source>You are boosted from the meeting room.</source>
            <translation>您已被踢出会议室。</translation>
        </message>
        <message>
            <source>Lower Hand</source>
            <translation>放下手</translation>
        </message>
        <message>
            <source>Set meeting room password Failed.
 Possibly, the old password is not correct</source>
            <translation>设置会议室密码失败。
 可能是旧密码不正确</translation>
        </message>
        <message>
            <source>Set Chairman passwd success.</source>
            <translation>设置主席密码成功。</translation>
        </message>
        <message>
            <source>Set Chairman passwd failed. Your old password is not correct.</source>
            <translation>设置主席密码失败。您的旧密码不正确。</translation>
        </message>
        <message>
            <source>%s %s</source>
            <translation>%s %s</translation>
        </message>
        <message>
            <source>(%s)</source>
            <translation>（%s）</translation>
        </message>
        <message>
            <source>Started</source>
            <translation>已开始</translation>
        </message>
        <message>
            <source>(unknown)</source>
            <translation>（未知）</translation>
        </message>
        <message>
            <source>Stopped</source>
            <translation>已停止</translation>
        </message>
        <message>
            <source>Private voice chat will allow your voice only be heard by the person you selected, and you can not talk publicly before private chat ends. 
Are you sure to continue?</source>
            <translation>私人语音聊天将使您的声音只能被您选择的人听到，并且在私人聊天结束前您不能公开发言。
确定要继续吗？</translation>
        </message>
        <message>
            <source>Stop PVoice Chat</source>
            <translation>停止私人语音</translation>
        </message>
        <message>
            <source>%s want a private voice chat with you, if you click Yes, Private voice chat will allow your voice only be heard by the person you selected, and you can not talk publicly before private chat ends. 
Do you want to continue?</source>
            <translation>%s 想与您进行私人语音聊天。如果您点击“是”，私人语音聊天将使您的声音只能被您选择的人听到，并且在私人聊天结束前您不能公开发言。
是否继续？</translation>
        </message>
        <message>
            <source>None</source>
            <translation>无</translation>
        </message>
        <message>
            <source>Leave meeting room success.</source>
            <translation>离开会议室成功。</translation>
        </message>
        <message>
            <source>Chat</source>
            <translation>聊天</translation>
        </message>
        <message>
            <source>B</source>
            <translation>B</translation>
        </message>
        <message>
            <source>I</source>
            <translation>I</translation>
        </message>
        <message>
            <source>U</source>
            <translation>U</translation>
        </message>
        <message>
            <source>S</source>
            <translation>S</translation>
        </message>
        <message>
            <source>Save</source>
            <translation>保存</translation>
        </message>
        <message>
            <source>Close</source>
            <translation>关闭</translation>
        </message>
        <message>
            <source>Private chat with %s</source>
            <translation>与 %s 私聊</translation>
        </message>
        <message>
            <source>can not malloc memory for chat content 0.</source>
            <translation>无法为聊天内容分配内存 0。</translation>
        </message>
        <message>
            <source>can not malloc memory for chat content.</source>
            <translation>无法为聊天内容分配内存。</translation>
        </message>
        <message>
            <source>Choose Save Format</source>
            <translation>选择保存格式</translation>
        </message>
        <message>
            <source>Save As RTF File</source>
            <translation>另存为 RTF 文件</translation>
        </message>
        <message>
            <source>Save As Text File</source>
            <translation>另存为文本文件</translation>
        </message>
        <message>
            <source>Rich Text Format Files (*.rtf)|*.rtf|All Files (*.*)|*.*||</source>
            <translation>RTF 格式文件 (*.rtf)|*.rtf|所有文件 (*.*)|*.*||</translation>
        </message>
        <message>
            <source>Text Files (*.txt)|*.txt|All Files (*.*)|*.*||</source>
            <translation>文本文件 (*.txt)|*.txt|所有文件 (*.*)|*.*||</translation>
        </message>
        <message>
            <source>Invlidate save type.</source>
            <translation>无效的保存类型。</translation>
        </message>
        <message>
            <source>wait failed in LeftFormChild4 OnPaint.</source>
            <translation>LeftFormChild4 OnPaint 中等待失败。</translation>
        </message>
        <message>
            <source>Show Scroll</source>
            <translation>显示滚动条</translation>
        </message>
        <message>
            <source>Set pen width</source>
            <translation>设置画笔宽度</translation>
        </message>
        <message>
            <source>Choose font</source>
            <translation>选择字体</translation>
        </message>
        <message>
            <source>Wait failed in WndFullScreen paint_people.</source>
            <translation>WndFullScreen paint_people 中等待失败。</translation>
        </message>
        <message>
            <source>WhiteBoard</source>
            <translation>白板</translation>
        </message>
        <message>
            <source>Can not allocate memory for white board.</source>
            <translation>无法为白板分配内存。</translation>
        </message>
        <message>
            <source>Do not support text longer than %d now.</source>
            <translation>目前不支持长度超过 %d 的文字。</translation>
        </message>
        <message>
            <source>Long str used up.</source>
            <translation>长字符串已用完。</translation>
        </message>
        <message>
            <source>Short str used up.</source>
            <translation>短字符串已用完。</translation>
        </message>
        <message>
            <source>board verify data error.</source>
            <translation>白板校验数据错误。</translation>
        </message>
        <message>
            <source>Your white board is not consistent with server's
Do you want to reload it from server?
If you choose no, you can still reload it by click the refresh button.</source>
            <translation>您的白板与服务器上的不一致
是否从服务器重新加载？
如果选择“否”，您仍可以点击刷新按钮重新加载。</translation>
        </message>
        <message>
            <source>board_num out of range in board_paint.</source>
            <translation>board_paint 中 board_num 超出范围。</translation>
        </message>
        <message>
            <source>board_num out of range in bmp_paint_board.</source>
            <translation>bmp_paint_board 中 board_num 超出范围。</translation>
        </message>
        <message>
            <source>Used==0 in bmp_paint_one.</source>
            <translation>bmp_paint_one 中 Used==0。</translation>
        </message>
        <message>
            <source>full_path is blank in bmp_paint_one.</source>
            <translation>bmp_paint_one 中 full_path 为空。</translation>
        </message>
        <message>
            <source>White Board</source>
            <translation>白板</translation>
        </message>
        <message>
            <source>Paste Clipboard Bitmap</source>
            <translation>粘贴剪贴板位图</translation>
        </message>
        <message>
            <source>Paste Video</source>
            <translation>粘贴视频</translation>
        </message>
        <message>
            <source>Save Whiteboard as...</source>
            <translation>白板另存为...</translation>
        </message>
        <message>
            <source>Save Whiteboard as Picture...</source>
            <translation>白板另存为图片...</translation>
        </message>
        <message>
            <source>z_order</source>
            <translation>叠放次序</translation>
        </message>
        <message>
            <source>Put to back</source>
            <translation>置于底层</translation>
        </message>
        <message>
            <source>Put to front</source>
            <translation>置于顶层</translation>
        </message>
        <message>
            <source>Delete</source>
            <translation>删除</translation>
        </message>
        <message>
            <source>Are you sure to delete this bitmap? This action can not be undo.</source>
            <translation>确定要删除此位图吗？此操作无法撤销。</translation>
        </message>
        <message>
            <source>Please right click a bitmap.</source>
            <translation>请右键单击一个位图。</translation>
        </message>
        <message>
            <source>Failed to open clipboard.</source>
            <translation>打开剪贴板失败。</translation>
        </message>
        <message>
            <source>No bitmap on the clipboard.</source>
            <translation>剪贴板上没有位图。</translation>
        </message>
        <message>
            <source>No more bmps available on this board.</source>
            <translation>此白板上不能再添加位图。</translation>
        </message>
        <message>
            <source>vert_num error in bmp_write_part_window_to_DIB.</source>
            <translation>bmp_write_part_window_to_DIB 中 vert_num 错误。</translation>
        </message>
        <message>
            <source>hori_num error in bmp_write_part_window_to_DIB.</source>
            <translation>bmp_write_part_window_to_DIB 中 hori_num 错误。</translation>
        </message>
        <message>
            <source>vert_index error in bmp_write_part_window_to_DIB.</source>
            <translation>bmp_write_part_window_to_DIB 中 vert_index 错误。</translation>
        </message>
        <message>
            <source>hori_index error in bmp_write_part_window_to_DIB.</source>
            <translation>bmp_write_part_window_to_DIB 中 hori_index 错误。</translation>
        </message>
        <message>
            <source>Set Pen Width</source>
            <translation>设置画笔宽度</translation>
        </message>
        <message>
            <source>Please enter the pen width:</source>
            <translation>请输入画笔宽度：</translation>
        </message>
        <message>
            <source>Set Eraser Width</source>
            <translation>设置橡皮擦宽度</translation>
        </message>
        <message>
            <source>Eraser Width:</source>
            <translation>橡皮擦宽度：</translation>
        </message>
        <message>
            <source>Set Print Scale</source>
            <translation>设置打印比例</translation>
        </message>
        <message>
            <source>Please enter an integer between 1 and 50.</source>
            <translation>请输入 1 到 50 之间的整数。</translation>
        </message>
        <message>
            <source>Please enter an integer between 1 and 100.</source>
            <translation>请输入 1 到 100 之间的整数。</translation>
        </message>
        <message>
            <source>Please enter valid number.</source>
            <translation>请输入有效的数字。</translation>
        </message>
        <message>
            <source>Please enter a number between 1-50.</source>
            <translation>请输入 1-50 之间的数字。</translation>
        </message>
        <message>
            <source>board_num:%d out of range in file caculate size.</source>
            <translation>计算文件大小时 board_num:%d 超出范围。</translation>
        </message>
        <message>
            <source>Save board Error, no path specified.</source>
            <translation>保存白板出错，未指定路径。</translation>
        </message>
        <message>
            <source>Open File Error, no path specified.</source>
            <translation>打开文件出错，未指定路径。</translation>
        </message>
        <message>
            <source>file format not correct</source>
            <translation>文件格式不正确</translation>
        </message>
        <message>
            <source>file_open_fix_text error: not ACTION_TEXT</source>
            <translation>file_open_fix_text 错误：不是 ACTION_TEXT</translation>
        </message>
        <message>
            <source>file_open_fix_text error: text.type not correct.</source>
            <translation>file_open_fix_text 错误：text.type 不正确。</translation>
        </message>
        <message>
            <source>Short str used up in file_open_fix_text.</source>
            <translation>file_open_fix_text 中短字符串已用完。</translation>
        </message>
        <message>
            <source>Long str used up in file_open_fix_text.</source>
            <translation>file_open_fix_text 中长字符串已用完。</translation>
        </message>
        <message>
            <source>Can not allocate enough memory to store actions.</source>
            <translation>无法分配足够的内存来保存动作。</translation>
        </message>
        <message>
            <source>board_upload_board_to_server text type wrong:%d</source>
            <translation>board_upload_board_to_server 文字类型错误：%d</translation>
        </message>
        <message>
            <source>board_num error in bmp_upload_one_file</source>
            <translation>bmp_upload_one_file 中 board_num 错误</translation>
        </message>
        <message>
            <source>bmp_index error in bmp_upload_one_file</source>
            <translation>bmp_upload_one_file 中 bmp_index 错误</translation>
        </message>
        <message>
            <source>path is blank in bmp_upload_one_file</source>
            <translation>bmp_upload_one_file 中路径为空</translation>
        </message>
        <message>
            <source>Should not be here, upload_thread still running.</source>
            <translation>不应到达此处，上传线程仍在运行。</translation>
        </message>
        <message>
            <source>File sock connection lost, need reconnect to server</source>
            <translation>文件连接已断开，需要重新连接服务器</translation>
        </message>
        <message>
            <source>failed to open target file in bmp upload thread.</source>
            <translation>位图上传线程中打开目标文件失败。</translation>
        </message>
        <message>
            <source>File uploading failed half way.</source>
            <translation>文件上传中途失败。</translation>
        </message>
        <message>
            <source>g_bmp_download_fd is null in bmp_download_begin_from_server.</source>
            <translation>bmp_download_begin_from_server 中 g_bmp_download_fd 为空。</translation>
        </message>
        <message>
            <source>Meeting Record Files (*.mrd)|*.mrd|All Files (*.*)|*.*||</source>
            <translation>会议录像文件 (*.mrd)|*.mrd|所有文件 (*.*)|*.*||</translation>
        </message>
        <message>
            <source>Failed to open file to write</source>
            <translation>无法打开文件进行写入</translation>
        </message>
        <message>
            <source>PlayBack</source>
            <translation>回放</translation>
        </message>
        <message>
            <source>wait failed in do_share_app_one_file_end_from_server.</source>
            <translation>do_share_app_one_file_end_from_server 中等待失败。</translation>
        </message>
        <message>
            <source>wait failed in RightUpper4 OnPaint:%d</source>
            <translation>RightUpper4 OnPaint 中等待失败：%d</translation>
        </message>
        <message>
            <source>Share app denied, an application already in share.
Stop sharing that application before go on.</source>
            <translation>共享应用程序被拒绝，已有应用程序正在共享。
请先停止共享该应用程序再继续。</translation>
        </message>
        <message>
            <source>Please choose an application to share</source>
            <translation>请选择要共享的应用程序</translation>
        </message>
        <message>
            <source>Applications</source>
            <translation>应用程序</translation>
        </message>
        <message>
            <source>Please select an application.</source>
            <translation>请选择一个应用程序。</translation>
        </message>
        <message>
            <source>Please select only one application.</source>
            <translation>请只选择一个应用程序。</translation>
        </message>
        <message>
            <source>Allow Remote Control</source>
            <translation>允许远程控制</translation>
        </message>
        <message>
            <source>jpg %d:%d not correct through multicast, request to server.</source>
            <translation>通过组播收到的 jpg %d:%d 不正确，正在向服务器请求。</translation>
        </message>
        <message>
            <source>Share</source>
            <translation>共享</translation>
        </message>
        <message>
            <source>Remote control allowed.</source>
            <translation>已允许远程控制。</translation>
        </message>
        <message>
            <source>Remote control denied.
Either because remote control is not allow, or someone else is controling now.</source>
            <translation>远程控制被拒绝。
原因可能是不允许远程控制，或其他人正在控制。</translation>
        </message>
        <message>
            <source>files in share:</source>
            <translation>共享文件：</translation>
        </message>
        <message>
            <source>File Name</source>
            <translation>文件名</translation>
        </message>
        <message>
            <source>File Size</source>
            <translation>文件大小</translation>
        </message>
        <message>
            <source>Browse...</source>
            <translation>浏览...</translation>
        </message>
        <message>
            <source>Upload</source>
            <translation>上传</translation>
        </message>
        <message>
            <source>Download...</source>
            <translation>下载...</translation>
        </message>
        <message>
            <source>Word</source>
            <translation>Word</translation>
        </message>
        <message>
            <source>Excel</source>
            <translation>Excel</translation>
        </message>
        <message>
            <source>Powerpoint</source>
            <translation>Powerpoint</translation>
        </message>
        <message>
            <source>IE</source>
            <translation>IE</translation>
        </message>
        <message>
            <source>Upload Clipboard</source>
            <translation>上传剪贴板</translation>
        </message>
        <message>
            <source>Download Clipboard</source>
            <translation>下载剪贴板</translation>
        </message>
        <message>
            <source>Uploading Progress</source>
            <translation>上传进度</translation>
        </message>
        <message>
            <source>Finished: 0%</source>
            <translation>已完成：0%</translation>
        </message>
        <message>
            <source>Downloading Progress</source>
            <translation>下载进度</translation>
        </message>
        <message>
            <source>You have to login to upload files.</source>
            <translation>您必须登录后才能上传文件。</translation>
        </message>
        <message>
            <source>You have to enter a meeting room to upload files.</source>
            <translation>您必须进入会议室后才能上传文件。</translation>
        </message>
        <message>
            <source>Filename should not be blank, click browse to choose.</source>
            <translation>文件名不能为空，请点击“浏览”选择文件。</translation>
        </message>
        <message>
            <source>failed to open file to read.</source>
            <translation>无法打开文件进行读取。</translation>
        </message>
        <message>
            <source>Bad file handle while open file
</source>
            <translation>打开文件时文件句柄无效
</translation>
        </message>
        <message>
            <source>Our current file upload size limit is 20Mbytes.
Your file size is:%d</source>
            <translation>目前上传文件的大小限制为 20MB。
您的文件大小为：%d</translation>
        </message>
        <message>
            <source>failed to open target file in file upload thread.</source>
            <translation>文件上传线程中打开目标文件失败。</translation>
        </message>
        <message>
            <source>read file failed.</source>
            <translation>读取文件失败。</translation>
        </message>
        <message>
            <source>Please select a file to download.</source>
            <translation>请选择要下载的文件。</translation>
        </message>
        <message>
            <source>No item is selected!
</source>
            <translation>未选择任何项目！
</translation>
        </message>
        <message>
            <source>Failed to open download file: %s

. Please close the application that is using it.</source>
            <translation>无法打开下载文件：%s

。请关闭正在使用该文件的应用程序。</translation>
        </message>
        <message>
            <source>Please select a file to delete.</source>
            <translation>请选择要删除的文件。</translation>
        </message>
        <message>
            <source>Finished:%5.2f%% (%d/%d)</source>
            <translation>已完成：%5.2f%% (%d/%d)</translation>
        </message>
        <message>
            <source>failed to open file to read in upload clipboard.</source>
            <translation>上传剪贴板时无法打开文件进行读取。</translation>
        </message>
        <message>
            <source>a meeting room member is sharing clipboard, do you want to download?</source>
            <translation>有会议室成员正在共享剪贴板，是否下载？</translation>
        </message>
        <message>
            <source>Please select a clipboard file to download.(ended with .nclp.z)</source>
            <translation>请选择要下载的剪贴板文件。（以 .nclp.z 结尾）</translation>
        </message>
        <message>
            <source>Clipboard content updated successfully.</source>
            <translation>剪贴板内容已成功更新。</translation>
        </message>
        <message>
            <source>Power Point Files (*.ppt)|*.ppt|All Files (*.*)|*.*||</source>
            <translation>Power Point 文件 (*.ppt)|*.ppt|所有文件 (*.*)|*.*||</translation>
        </message>
        <message>
            <source>Word Files (*.doc)|*.doc|All Files (*.*)|*.*||</source>
            <translation>Word 文件 (*.doc)|*.doc|所有文件 (*.*)|*.*||</translation>
        </message>
        <message>
            <source>Excel Files (*.xls)|*.xls|All Files (*.*)|*.*||</source>
            <translation>Excel 文件 (*.xls)|*.xls|所有文件 (*.*)|*.*||</translation>
        </message>
        <message>
            <source>Couldn't start PowerPoint.</source>
            <translation>无法启动 PowerPoint。</translation>
        </message>
        <message>
            <source>Couldn't start Microsoft Word.</source>
            <translation>无法启动 Microsoft Word。</translation>
        </message>
        <message>
            <source>Couldn't start Microsoft Excel.</source>
            <translation>无法启动 Microsoft Excel。</translation>
        </message>
        <message>
            <source>Couldn't start LibreOffice Impress.</source>
            <translation>无法启动 LibreOffice Impress。</translation>
        </message>
        <message>
            <source>Couldn't start LibreOffice Writer.</source>
            <translation>无法启动 LibreOffice Writer。</translation>
        </message>
        <message>
            <source>Couldn't start LibreOffice Calc.</source>
            <translation>无法启动 LibreOffice Calc。</translation>
        </message>
        <message>
            <source>%s is sharing PowerPoint:
%s.</source>
            <translation>%s 正在共享 PowerPoint：
%s。</translation>
        </message>
        <message>
            <source>%s is sharing Word:
%s</source>
            <translation>%s 正在共享 Word：
%s</translation>
        </message>
        <message>
            <source>%s is sharing Excel:
%s.</source>
            <translation>%s 正在共享 Excel：
%s。</translation>
        </message>
        <message>
            <source>Tamblo Explorer</source>
            <translation>Tamblo 浏览器</translation>
        </message>
        <message>
            <source>blank</source>
            <translation>空白</translation>
        </message>
        <message>
            <source>Go</source>
            <translation>转到</translation>
        </message>
        <message>
            <source>Close Current Window</source>
            <translation>关闭当前窗口</translation>
        </message>
        <message>
            <source>Back</source>
            <translation>后退</translation>
        </message>
        <message>
            <source>Forward</source>
            <translation>前进</translation>
        </message>
        <message>
            <source>Stop</source>
            <translation>停止</translation>
        </message>
        <message>
            <source>Home</source>
            <translation>主页</translation>
        </message>
        <message>
            <source>Push</source>
            <translation>推送</translation>
        </message>
        <message>
            <source>You have to login to share Internet Explorer.</source>
            <translation>您必须登录后才能共享 Internet Explorer。</translation>
        </message>
        <message>
            <source>You have to enter a meeting room to share Internet Explorer.</source>
            <translation>您必须进入会议室后才能共享 Internet Explorer。</translation>
        </message>
        <message>
            <source>Couldn't start InternetExplorer.</source>
            <translation>无法启动 InternetExplorer。</translation>
        </message>
        <message>
            <source>Couldn't start Internet Explorer.</source>
            <translation>无法启动 Internet Explorer。</translation>
        </message>
        <message>
            <source>WAVEIN:%x:%s</source>
            <translation>WAVEIN:%x:%s</translation>
        </message>
        <message>
            <source>WAVEOUT:%x:%s</source>
            <translation>WAVEOUT:%x:%s</translation>
        </message>
        <message>
            <source>wait g_mutex_sound failed in g_sound_master_thread.</source>
            <translation>g_sound_master_thread 中等待 g_mutex_sound 失败。</translation>
        </message>
        <message>
            <source>Me</source>
            <translation>我</translation>
        </message>
        <message>
            <source>Quality:</source>
            <translation>质量：</translation>
        </message>
        <message>
            <source>Size:</source>
            <translation>尺寸：</translation>
        </message>
        <message>
            <source>Speed:</source>
            <translation>速度：</translation>
        </message>
        <message>
            <source>My Capture Window</source>
            <translation>我的捕获窗口</translation>
        </message>
        <message>
            <source>wait failed for g_mutex_send_video in CDlgShowMe.do_dct_video.</source>
            <translation>CDlgShowMe.do_dct_video 中等待 g_mutex_send_video 失败。</translation>
        </message>
        <message>
            <source>%d*%d</source>
            <translation>%d*%d</translation>
        </message>
        <message>
            <source>Pause</source>
            <translation>暂停</translation>
        </message>
        <message>
            <source>Start</source>
            <translation>开始</translation>
        </message>
        <message>
            <source>Paste into white board</source>
            <translation>粘贴到白板</translation>
        </message>
        <message>
            <source>No white board</source>
            <translation>没有白板</translation>
        </message>
        <message>
            <source>Save As File</source>
            <translation>另存为文件</translation>
        </message>
        <message>
            <source>Bmp Files (*.bmp)|*.bmp|All Files (*.*)|*.*||</source>
            <translation>BMP 文件 (*.bmp)|*.bmp|所有文件 (*.*)|*.*||</translation>
        </message>
        <message>
            <source>wrong file type</source>
            <translation>文件类型错误</translation>
        </message>
        <message>
            <source>wait failed in RightUpper3 OnPaint</source>
            <translation>RightUpper3 OnPaint 中等待失败</translation>
        </message>
        <message>
            <source>Adjust Speaker and Microphone volume</source>
            <translation>调节扬声器和麦克风音量</translation>
        </message>
        <message>
            <source>Adjust Speaker Volume:</source>
            <translation>调节扬声器音量：</translation>
        </message>
        <message>
            <source>Adjust Microphone Volume:</source>
            <translation>调节麦克风音量：</translation>
        </message>
        <message>
            <source>Contact</source>
            <translation>联系人</translation>
        </message>
        <message>
            <source>Failed to open group file to write.</source>
            <translation>无法打开分组文件进行写入。</translation>
        </message>
        <message>
            <source>Failed to open contact file to write.</source>
            <translation>无法打开联系人文件进行写入。</translation>
        </message>
        <message>
            <source>Group:</source>
            <translation>分组：</translation>
        </message>
        <message>
            <source>Add</source>
            <translation>添加</translation>
        </message>
        <message>
            <source>Edit</source>
            <translation>编辑</translation>
        </message>
        <message>
            <source>Edit Group</source>
            <translation>编辑分组</translation>
        </message>
        <message>
            <source>Email</source>
            <translation>电子邮件</translation>
        </message>
        <message>
            <source>comment</source>
            <translation>备注</translation>
        </message>
        <message>
            <source>All</source>
            <translation>全部</translation>
        </message>
        <message>
            <source>Max contacts reached, can not add more.</source>
            <translation>已达到联系人数量上限，无法继续添加。</translation>
        </message>
        <message>
            <source>Please select a contact to edit.</source>
            <translation>请选择要编辑的联系人。</translation>
        </message>
        <message>
            <source>Please select a contact to delete.</source>
            <translation>请选择要删除的联系人。</translation>
        </message>
        <message>
            <source>Are you sure to delete %s %s?</source>
            <translation>确定要删除 %s %s 吗？</translation>
        </message>
        <message>
            <source>Add Contact</source>
            <translation>添加联系人</translation>
        </message>
        <message>
            <source>Edit Contact</source>
            <translation>编辑联系人</translation>
        </message>
        <message>
            <source>Email:</source>
            <translation>电子邮件：</translation>
        </message>
        <message>
            <source>First Name:</source>
            <translation>名：</translation>
        </message>
        <message>
            <source>Last Name:</source>
            <translation>姓：</translation>
        </message>
        <message>
            <source>Comment:</source>
            <translation>备注：</translation>
        </message>
        <message>
            <source>Group Name</source>
            <translation>分组名称</translation>
        </message>
        <message>
            <source>Add Group</source>
            <translation>添加分组</translation>
        </message>
        <message>
            <source>Please enter group name:</source>
            <translation>请输入分组名称：</translation>
        </message>
        <message>
            <source>Max groups reached, can not add more.</source>
            <translation>已达到分组数量上限，无法继续添加。</translation>
        </message>
        <message>
            <source>Please select a group to edit.</source>
            <translation>请选择要编辑的分组。</translation>
        </message>
        <message>
            <source>Please change group name here:</source>
            <translation>请在此修改分组名称：</translation>
        </message>
        <message>
            <source>Please select a group to delete.</source>
            <translation>请选择要删除的分组。</translation>
        </message>
        <message>
            <source>There are members in %s, please delete those members first.</source>
            <translation>%s 中还有成员，请先删除这些成员。</translation>
        </message>
        <message>
            <source>Are you sure to delete %s ?</source>
            <translation>确定要删除 %s 吗？</translation>
        </message>
        <message>
            <source>Email, first name and last name may not contain '|', and no field may contain a line break.</source>
            <translation>电子邮件、名和姓不能包含 '|'，任何一项都不能包含换行。</translation>
        </message>
        <message>
            <source>A group name may not contain a line break.</source>
            <translation>分组名称不能包含换行。</translation>
        </message>
        <message>
            <source>Generate Invite URL</source>
            <translation>生成邀请链接</translation>
        </message>
        <message>
            <source>Server:</source>
            <translation>服务器：</translation>
        </message>
        <message>
            <source>Meeting Room Name:</source>
            <translation>会议室名称：</translation>
        </message>
        <message>
            <source>Meeting Room Passwd:</source>
            <translation>会议室密码：</translation>
        </message>
        <message>
            <source>Please copy the content in the following edit box and send it to your friend in whatever way you like.</source>
            <translation>请复制下面编辑框中的内容，并以您喜欢的任何方式发送给您的朋友。</translation>
        </message>
        <message>
            <source>Generate URL and copy to clipboard</source>
            <translation>生成链接并复制到剪贴板</translation>
        </message>
        <message>
            <source>Notify attenders</source>
            <translation>通知与会者</translation>
        </message>
        <message>
            <source>Notify Goup</source>
            <translation>通知分组</translation>
        </message>
        <message>
            <source>Notify One Person</source>
            <translation>通知个人</translation>
        </message>
        <message>
            <source>Notification Settings</source>
            <translation>通知设置</translation>
        </message>
        <message>
            <source>Scheduled meeting time:</source>
            <translation>预定会议时间：</translation>
        </message>
        <message>
            <source>Duration:</source>
            <translation>时长：</translation>
        </message>
        <message>
            <source>Notification Title</source>
            <translation>通知标题</translation>
        </message>
        <message>
            <source>Notification mail content:</source>
            <translation>通知邮件内容：</translation>
        </message>
        <message>
            <source>Please note, Meeting Room Name and Meeting Room Passwd is case sensitive and should be exactly match. AND please make sure outlook is running before click OK.</source>
            <translation>请注意，会议室名称和会议室密码区分大小写，必须完全一致。另外，点击“确定”前请确保 Outlook 正在运行。</translation>
        </message>
        <message>
            <source>%2d AM</source>
            <translation>上午 %2d</translation>
        </message>
        <message>
            <source>%2d PM</source>
            <translation>下午 %2d</translation>
        </message>
        <message>
            <source>Please select a person to notify.</source>
            <translation>请选择要通知的人。</translation>
        </message>
        <message>
            <source>Failed to create Microsoft Outlook Object, please make sure Microsoft Outlook is installed on your computer.</source>
            <translation>创建 Microsoft Outlook 对象失败，请确认您的计算机上已安装 Microsoft Outlook。</translation>
        </message>
        <message>
            <source>Dear </source>
            <translation>尊敬的 </translation>
        </message>
        <message>
            <source>Notification mail added to Microsoft Outlook out queue.</source>
            <translation>通知邮件已添加到 Microsoft Outlook 发件箱队列。</translation>
        </message>
        <message>
            <source>   Conference appointment.

</source>
            <translation>   会议预约。

</translation>
        </message>
        <message>
            <source>   Conference Info:
</source>
            <translation>   会议信息：
</translation>
        </message>
        <message>
            <source>   Server:</source>
            <translation>   服务器：</translation>
        </message>
        <message>
            <source>   Auth Code:</source>
            <translation>   授权码：</translation>
        </message>
        <message>
            <source>   Meeting Room Name:</source>
            <translation>   会议室名称：</translation>
        </message>
        <message>
            <source>   Meeting Room Passwd:</source>
            <translation>   会议室密码：</translation>
        </message>
        <message>
            <source>   As the Conference Sponsor, please create the meeting room before conference start if it does not exist before. </source>
            <translation>   作为会议发起人，如果会议室尚不存在，请在会议开始前创建会议室。 </translation>
        </message>
        <message>
            <source>And set the password as specified above, so that everyone could come in with a single click of the link.
</source>
            <translation>并按上面指定的内容设置密码，以便每个人只需单击链接即可进入。
</translation>
        </message>
        <message>
            <source>   The link for conference members to enter:

</source>
            <translation>   与会者进入会议的链接：

</translation>
        </message>
        <message>
            <source>:&lt;br&gt;
</source>
            <translation>：&lt;br&gt;
</translation>
        </message>
        <message>
            <source>   You have a conference appointment.&lt;br&gt;&lt;br&gt;

</source>
            <translation>   您有一个会议预约。&lt;br&gt;&lt;br&gt;

</translation>
        </message>
        <message>
            <source>   Conference Info:&lt;br&gt;
</source>
            <translation>   会议信息：&lt;br&gt;
</translation>
        </message>
        <message>
            <source>   Conference Sponsor should create meeting room before conference start if it does not exist before. </source>
            <translation>   如果会议室尚不存在，会议发起人应在会议开始前创建会议室。 </translation>
        </message>
        <message>
            <source>And set the password as specified above, so that everyone could come in with a single click of the link.&lt;br&gt;
</source>
            <translation>并按上面指定的内容设置密码，以便每个人只需单击链接即可进入。&lt;br&gt;
</translation>
        </message>
        <message>
            <source>   The link for conference members to enter:&lt;br&gt;
</source>
            <translation>   与会者进入会议的链接：&lt;br&gt;
</translation>
        </message>
        <message>
            <source>'&gt;Join Meeting&lt;/a&gt;</source>
            <translation>'&gt;加入会议&lt;/a&gt;</translation>
        </message>
        <message>
            <source>Invite by E-mail...</source>
            <translation>通过电子邮件邀请...</translation>
        </message>
        <message>
            <source>hours</source>
            <translation>小时</translation>
        </message>
        <message>
            <source>minutes</source>
            <translation>分钟</translation>
        </message>
        <message>
            <source>Please note, Meeting Room Name and Meeting Room Passwd is case sensitive and should be exactly match. OK writes the appointment for your calendar and opens one mail for each person in your mail program.</source>
            <translation>请注意，会议室名称和会议室密码区分大小写，必须完全一致。点击“确定”后，将为您的日历写入会议预约，并在您的邮件程序中为每个人打开一封邮件。</translation>
        </message>
        <message>
            <source>There is no one in this group to notify.</source>
            <translation>此分组中没有可通知的人。</translation>
        </message>
        <message>
            <source>There is no server to invite to, please connect to a server first.</source>
            <translation>没有可邀请加入的服务器，请先连接服务器。</translation>
        </message>
        <message>
            <source>The scheduled date does not exist, please choose another day.</source>
            <translation>预定的日期不存在，请选择其他日期。</translation>
        </message>
        <message>
            <source>Failed to start xdg-email, please make sure xdg-utils and a mail program are installed on your computer.</source>
            <translation>启动 xdg-email 失败，请确认您的计算机上已安装 xdg-utils 和邮件程序。</translation>
        </message>
        <message>
            <source>Failed to write the appointment file, no invitation was sent.</source>
            <translation>写入会议预约文件失败，未发送任何邀请。</translation>
        </message>
        <message>
            <source>Notification mails handed to your mail program: %d. Failed: %d.</source>
            <translation>已交给邮件程序的通知邮件：%d 封。失败：%d 封。</translation>
        </message>
        <message>
            <source>Proxy Settings</source>
            <translation>代理设置</translation>
        </message>
        <message>
            <source>Video &amp; audio</source>
            <translation>视频和音频</translation>
        </message>
        <message>
            <source>Choose Skin</source>
            <translation>选择皮肤</translation>
        </message>
        <message>
            <source>Use Proxy</source>
            <translation>使用代理</translation>
        </message>
        <message>
            <source>Proxy IP:</source>
            <translation>代理 IP：</translation>
        </message>
        <message>
            <source>Proxy Port:</source>
            <translation>代理端口：</translation>
        </message>
        <message>
            <source>Proxy Type:</source>
            <translation>代理类型：</translation>
        </message>
        <message>
            <source>If your proxy server needs authentication, please enter user name and password: </source>
            <translation>如果您的代理服务器需要身份验证，请输入用户名和密码：</translation>
        </message>
        <message>
            <source>Test</source>
            <translation>测试</translation>
        </message>
        <message>
            <source>SOCKS5</source>
            <translation>SOCKS5</translation>
        </message>
        <message>
            <source>SOCKS4</source>
            <translation>SOCKS4</translation>
        </message>
        <message>
            <source>HTTP</source>
            <translation>HTTP</translation>
        </message>
        <message>
            <source>User Name:</source>
            <translation>用户名：</translation>
        </message>
        <message>
            <source>Password:</source>
            <translation>密码：</translation>
        </message>
        <message>
            <source>The proxy port must be a number from 1 to 65535.</source>
            <translation>代理端口必须是 1 到 65535 之间的数字。</translation>
        </message>
        <message>
            <source>connecting success!</source>
            <translation>连接成功！</translation>
        </message>
        <message>
            <source>connecting failed!</source>
            <translation>连接失败！</translation>
        </message>
        <message>
            <source>Video quality</source>
            <translation>视频质量</translation>
        </message>
        <message>
            <source>Video FrameRate</source>
            <translation>视频帧率</translation>
        </message>
        <message>
            <source>Desktop Share Quality</source>
            <translation>桌面共享质量</translation>
        </message>
        <message>
            <source>Audio Quality</source>
            <translation>音频质量</translation>
        </message>
        <message>
            <source>High</source>
            <translation>高</translation>
        </message>
        <message>
            <source>Medium</source>
            <translation>中</translation>
        </message>
        <message>
            <source>Low</source>
            <translation>低</translation>
        </message>
        <message>
            <source>The higher the Video Quality, the higher the band width usage.
The high the Video FrameRate, the higher the bandwidth usage.</source>
            <translation>视频质量越高，占用的带宽越多。
视频帧率越高，占用的带宽越多。</translation>
        </message>
        <message>
            <source>The higher the Desktop Share Quality, the higher the bandwidth usage.</source>
            <translation>桌面共享质量越高，占用的带宽越多。</translation>
        </message>
        <message>
            <source>Please choose a skin:</source>
            <translation>请选择皮肤：</translation>
        </message>
        <message>
            <source>Do not show message animation</source>
            <translation>不显示消息动画</translation>
        </message>
        <message>
            <source>If your computer is slow, check this checkbox:</source>
            <translation>如果您的计算机运行较慢，请勾选此复选框：</translation>
        </message>
        <message>
            <source>Enter full screen mode when enter</source>
            <translation>进入会议室时切换到全屏模式</translation>
        </message>
        <message>
            <source>Customer Feed Back</source>
            <translation>用户反馈</translation>
        </message>
        <message>
            <source>Your Name:</source>
            <translation>您的姓名：</translation>
        </message>
        <message>
            <source>Your Email:</source>
            <translation>您的电子邮件：</translation>
        </message>
        <message>
            <source>Your Comment and Suggestions:</source>
            <translation>您的意见和建议：</translation>
        </message>
        <message>
            <source>Submit</source>
            <translation>提交</translation>
        </message>
        <message>
            <source>Tell Friend</source>
            <translation>告诉朋友</translation>
        </message>
        <message>
            <source>Your Friend's Name:</source>
            <translation>朋友的姓名：</translation>
        </message>
        <message>
            <source>Your Friend's Email:</source>
            <translation>朋友的电子邮件：</translation>
        </message>
        <message>
            <source>Mail Subject:</source>
            <translation>邮件主题：</translation>
        </message>
        <message>
            <source>Mail Content:</source>
            <translation>邮件内容：</translation>
        </message>
        <message>
            <source>Failed to connect to server.</source>
            <translation>连接服务器失败。</translation>
        </message>
        <message>
            <source>Sending data to server failed.</source>
            <translation>向服务器发送数据失败。</translation>
        </message>
        <message>
            <source>Your comment and suggestions is submitted successfully!</source>
            <translation>您的意见和建议已成功提交！</translation>
        </message>
        <message>
            <source>Friend's name should not be empty</source>
            <translation>朋友的姓名不能为空</translation>
        </message>
        <message>
            <source>Friend's email should not be empty.</source>
            <translation>朋友的电子邮件不能为空。</translation>
        </message>
        <message>
            <source>Please enter your name.</source>
            <translation>请输入您的姓名。</translation>
        </message>
        <message>
            <source>Please enter your email.</source>
            <translation>请输入您的电子邮件。</translation>
        </message>
        <message>
            <source>Please enter mail subject.</source>
            <translation>请输入邮件主题。</translation>
        </message>
        <message>
            <source>Please enter mail content.</source>
            <translation>请输入邮件内容。</translation>
        </message>
        <message>
            <source>Your message is sent to your friend, thank you!</source>
            <translation>您的消息已发送给您的朋友，谢谢！</translation>
        </message>
        <message>
            <source>Event</source>
            <translation>事件</translation>
        </message>
        <message>
            <source>Event History</source>
            <translation>事件历史</translation>
        </message>
        <message>
            <source>Close Window</source>
            <translation>关闭窗口</translation>
        </message>
        <message>
            <source>Network Speed Test</source>
            <translation>网速测试</translation>
        </message>
        <message>
            <source>Sending:</source>
            <translation>发送：</translation>
        </message>
        <message>
            <source>Receiving:</source>
            <translation>接收：</translation>
        </message>
        <message>
            <source>Result:</source>
            <translation>结果：</translation>
        </message>
        <message>
            <source>Test Speed</source>
            <translation>测试速度</translation>
        </message>
        <message>
            <source>Must connect to server before testing net speed.</source>
            <translation>测试网速前必须先连接服务器。</translation>
        </message>
        <message>
            <source>Result: success send:%d, failed send:%d, total time used:%d millisecond.
 Network speed is:%d byte/s</source>
            <translation>结果：成功发送：%d，发送失败：%d，总用时：%d 毫秒。
 网络速度为：%d 字节/秒</translation>
        </message>
        <message>
            <source>Your network speed is extremely fast!</source>
            <translation>您的网络速度极快！</translation>
        </message>
        <message>
            <source>Internet Update</source>
            <translation>在线更新</translation>
        </message>
        <message>
            <source>0% finished</source>
            <translation>已完成 0%</translation>
        </message>
        <message>
            <source>Install</source>
            <translation>安装</translation>
        </message>
        <message>
            <source>pos out of range in g_update_thread.</source>
            <translation>g_update_thread 中 pos 超出范围。</translation>
        </message>
        <message>
            <source>Receive data from server failed</source>
            <translation>从服务器接收数据失败</translation>
        </message>
        <message>
            <source>Open installation file failed.</source>
            <translation>打开安装文件失败。</translation>
        </message>
        <message>
            <source>write installation file may failed.</source>
            <translation>写入安装文件可能失败。</translation>
        </message>
        <message>
            <source>Choose Browser</source>
            <translation>选择浏览器</translation>
        </message>
        <message>
            <source>It is recommended to choose "Tamblo Browser": pages you browse in the system browser are not followed by the others.</source>
            <translation>建议选择“Tamblo 浏览器”：您在系统浏览器中浏览的网页，其他与会者不会跟随。</translation>
        </message>
        <message>
            <source>Tamblo Browser</source>
            <translation>Tamblo 浏览器</translation>
        </message>
        <message>
            <source>System Browser</source>
            <translation>系统浏览器</translation>
        </message>
        <message>
            <source>Guest</source>
            <translation>来宾</translation>
        </message>
        <message>
            <source>quillet Control</source>
            <translation>quillet 控件</translation>
        </message>
        <message>
            <source>quillet Property Page</source>
            <translation>quillet 属性页</translation>
        </message>
        <message>
            <source>About quillet Control</source>
            <translation>关于 quillet 控件</translation>
        </message>
        <message>
            <source>General</source>
            <translation>常规</translation>
        </message>
        <message>
            <source>Names to appear in the control</source>
            <translation>控件中显示的名称</translation>
        </message>
        <message>
            <source>create key failed in reg read!
</source>
            <translation>reg read 中创建注册表项失败！
</translation>
        </message>
        <message>
            <source>Your tamblo software is not installed
 Would you like to download and install it now?</source>
            <translation>您的 tamblo 软件尚未安装
 是否立即下载并安装？</translation>
        </message>
        <message>
            <source>Information Required</source>
            <translation>需要信息</translation>
        </message>
        <message>
            <source>Please enter the name you want to show in the conference:</source>
            <translation>请输入您希望在会议中显示的名称：</translation>
        </message>
        <message>
            <source>The name entered should not contain ':'</source>
            <translation>输入的名称不能包含 ':'</translation>
        </message>
        <message>
            <source>The name entered should not be blank.</source>
            <translation>输入的名称不能为空。</translation>
        </message>
        <message>
            <source>A desktop meeting client for Linux.</source>
            <translation>Linux 桌面会议客户端。</translation>
        </message>
        <message>
            <source>Connection to server lost, please reconnect.</source>
            <translation>与服务器的连接已断开，请重新连接。</translation>
        </message>
        <message>
            <source>Please enter a port between 50 and 65535.</source>
            <translation>请输入 50 到 65535 之间的端口。</translation>
        </message>
        <message>
            <source>Enter the name the others will see, and the auth code if the server asks for one.</source>
            <translation>请输入其他人将看到的名称；如果服务器需要，再输入授权码。</translation>
        </message>
        <message>
            <source>Choose a meeting room and press Join, or type a new name and press Create.</source>
            <translation>请选择一个会议室并点击“加入”，或输入新名称并点击“创建”。</translation>
        </message>
        <message>
            <source>A room you create has no password until you set one; it closes when its last member leaves.</source>
            <translation>您创建的会议室在设置密码之前没有密码；最后一名成员离开时会议室关闭。</translation>
        </message>
        <message>
            <source>People in the rest room:</source>
            <translation>休息室里的人：</translation>
        </message>
        <message>
            <source>Refreshing the server list...</source>
            <translation>正在刷新服务器列表...</translation>
        </message>
        <message>
            <source>No server list came from the server.</source>
            <translation>服务器没有发来服务器列表。</translation>
        </message>
        <message>
            <source>The server does not answer.</source>
            <translation>服务器没有应答。</translation>
        </message>
        <message>
            <source>Change Meeting Room Passwd</source>
            <translation>修改会议室密码</translation>
        </message>
        <message>
            <source>&amp;Meeting</source>
            <translation>会议(&amp;M)</translation>
        </message>
        <message>
            <source>&amp;Edit</source>
            <translation>编辑(&amp;E)</translation>
        </message>
        <message>
            <source>&amp;View</source>
            <translation>查看(&amp;V)</translation>
        </message>
        <message>
            <source>&amp;Talk</source>
            <translation>发言(&amp;T)</translation>
        </message>
        <message>
            <source>&amp;Whiteboard</source>
            <translation>白板(&amp;W)</translation>
        </message>
        <message>
            <source>&amp;Share</source>
            <translation>共享(&amp;S)</translation>
        </message>
        <message>
            <source>&amp;Record</source>
            <translation>录制(&amp;R)</translation>
        </message>
        <message>
            <source>T&amp;ools</source>
            <translation>工具(&amp;O)</translation>
        </message>
        <message>
            <source>&amp;Help</source>
            <translation>帮助(&amp;H)</translation>
        </message>
        <message>
            <source>Copy</source>
            <translation>复制</translation>
        </message>
        <message>
            <source>Paste</source>
            <translation>粘贴</translation>
        </message>
        <message>
            <source>Open Whiteboard...</source>
            <translation>打开白板...</translation>
        </message>
        <message>
            <source>Save Whiteboard</source>
            <translation>保存白板</translation>
        </message>
        <message>
            <source>Print...</source>
            <translation>打印...</translation>
        </message>
        <message>
            <source>Print Direct</source>
            <translation>直接打印</translation>
        </message>
        <message>
            <source>Print Preview</source>
            <translation>打印预览</translation>
        </message>
        <message>
            <source>Set Pen Color</source>
            <translation>设置画笔颜色</translation>
        </message>
        <message>
            <source>The meeting is being recorded. Stop recording and exit?</source>
            <translation>会议正在录制。要停止录制并退出吗？</translation>
        </message>
        <message>
            <source>You are in a meeting room. Leave the meeting and exit?</source>
            <translation>您在会议室中。要离开会议并退出吗？</translation>
            <source>Failed to compress the picture file.</source>
            <translation>压缩图片文件失败。</translation>
        </message>
        <message>
            <source>Failed to create the picture folder.</source>
            <translation>创建图片文件夹失败。</translation>
        </message>
        <message>
            <source>Failed to write the picture file.</source>
            <translation>写入图片文件失败。</translation>
        </message>
        <message>
            <source>Failed to read the picture file.</source>
            <translation>读取图片文件失败。</translation>
        </message>
        <message>
            <source>Failed to capture the window.</source>
            <translation>截取窗口失败。</translation>
        </message>
        <message>
            <source>failed to open %s.</source>
            <translation>无法打开 %s。</translation>
        </message>
        <message>
            <source>failed to write %s.</source>
            <translation>无法写入 %s。</translation>
        </message>
        <message>
            <source>Work off line is on: the board can not be uploaded to the server.</source>
            <translation>脱机工作已开启：白板无法上传到服务器。</translation>
        </message>
        <message>
            <source>All Files (*.*)|*.*||</source>
            <translation>所有文件 (*.*)|*.*||</translation>
        </message>
        <message>
            <source>The file name %s is longer than 63 characters. Please rename the file to upload it.</source>
            <translation>文件名 %s 超过 63 个字符。请重命名该文件后再上传。</translation>
        </message>
        <message>
            <source>Download of %s is incomplete: %d of %d bytes.</source>
            <translation>%s 下载不完整：%d / %d 字节。</translation>
        </message>
        <message>
            <source>%s is no longer in share.</source>
            <translation>%s 已不在共享文件中。</translation>
        </message>
        <message>
            <source>The connection to the server was lost: the download of %s was not finished.</source>
            <translation>与服务器的连接已断开：%s 未下载完成。</translation>
        </message>
        <message>
            <source>Download of %s was cancelled.</source>
            <translation>%s 的下载已取消。</translation>
        </message>
        <message>
            <source>The clipboard file %s could not be unpacked.</source>
            <translation>无法解压剪贴板文件 %s。</translation>
        </message>
        <message>
            <source>You have to login to share the system browser.</source>
            <translation>您必须登录后才能共享系统浏览器。</translation>
        </message>
        <message>
            <source>You have to enter a meeting room to share the system browser.</source>
            <translation>您必须进入会议室后才能共享系统浏览器。</translation>
        </message>
        <message>
            <source>There is no page to open: open it in "Tamblo Browser" first.</source>
            <translation>没有可打开的网页：请先在“Tamblo 浏览器”中打开它。</translation>
        </message>
        <message>
            <source>Couldn't start the system browser.</source>
            <translation>无法启动系统浏览器。</translation>
        </message>
        <message>
            <source>Not a meeting record file.</source>
            <translation>这不是会议录像文件。</translation>
        </message>
        <message>
            <source>Your tamblo software is not installed
 Would you like to download and install it now?
(If the download does not work, get the package yourself from %s)</source>
            <translation>您的 tamblo 软件尚未安装
 是否立即下载并安装？
（如果下载不成功，请自行从 %s 获取安装包）</translation>
        </message>
        <message>
            <source>The meeting link is not valid (%s).</source>
            <translation>会议链接无效（%s）。</translation>
        </message>
        <message>
            <source>Failed to start %s.</source>
            <translation>无法启动 %s。</translation>
        </message>
        <message>
            <source>quillet Version %1.%2.%3</source>
            <translation>quillet 版本 %1.%2.%3</translation>
        </message>
        <message>
            <source>Starts Tamblo from the meeting links of web pages.</source>
            <translation>从网页上的会议链接启动 Tamblo。</translation>
        </message>
        <message>
            <source>The package is downloaded and checked.</source>
            <translation>安装包已下载并通过校验。</translation>
        </message>
        <message>
            <source>The web host did not answer; the form was not sent.</source>
            <translation>网站服务器没有应答，表单未发送。</translation>
        </message>
        <message>
            <source>The web host refused the form (%d).</source>
            <translation>网站服务器拒绝了表单（%d）。</translation>
        </message>
        <message>
            <source>/</source>
            <translation>/ch/</translation>
        </message>
        <message>
            <source>\</source>
            <translation>\ch\</translation>
        </message>
        <message>
            <source>The invitation link needs a server: please connect to a server first.</source>
            <translation>邀请链接需要服务器：请先连接服务器。</translation>
        </message>
        <message>
            <source>The package could not be opened for installation. Install it with:
%s</source>
            <translation>无法打开安装包进行安装。请用以下命令安装：
%s</translation>
        </message>
        <message>
            <source>The update cannot be checked: dpkg-deb could not be run.</source>
            <translation>无法检查更新：无法运行 dpkg-deb。</translation>
        </message>
        <message>
            <source>The update cannot be checked: gpgv could not be run.</source>
            <translation>无法检查更新：无法运行 gpgv。</translation>
        </message>
        <message>
            <source>The update cannot be checked: the signing keyring %s is missing.</source>
            <translation>无法检查更新：签名密钥环 %s 不存在。</translation>
        </message>
        <message>
            <source>The update download failed: the file is larger than %lld bytes.</source>
            <translation>更新下载失败：文件大于 %lld 字节。</translation>
        </message>
        <message>
            <source>The update download failed: the web host answered %d.</source>
            <translation>更新下载失败：网站服务器返回 %d。</translation>
        </message>
        <message>
            <source>The update download failed: the web host did not say how long the file is.</source>
            <translation>更新下载失败：网站服务器未告知文件长度。</translation>
        </message>
        <message>
            <source>The update download failed: the web host sent more than the file's length.</source>
            <translation>更新下载失败：网站服务器发送的数据超过了文件长度。</translation>
        </message>
        <message>
            <source>The update package is not a Tamblo package for this computer (%s, %s).</source>
            <translation>更新包不是适用于本计算机的 Tamblo 安装包（%s，%s）。</translation>
        </message>
        <message>
            <source>The update package is not signed with the update key.</source>
            <translation>更新包未使用更新密钥签名。</translation>
        </message>
    </context>
</TS>
